# The test rig: Wine prefixes inside the build folder, one Xvfb display and a persistent
# wineserver per prefix for a whole CTest run. Every Windows program that CMake runs
# (tests, the stand-in) goes through the wine-run wrapper, which points Wine at one of
# the prefixes and the display.
#
# Tests that run Windows programs change their prefix (installations in the registry,
# work directories, cookies, trusted roots), so two of them never share one: each asks
# CTest for one prefix (RESOURCE_GROUPS "prefixes:1") and CTest, given the resource file
# below (ctest --resource-spec-file), runs as many such tests at once as there are
# prefixes. Without the file CTest ignores the request: run such a CTest with -j1.
set(OSTREL_RIG_DIR ${CMAKE_BINARY_DIR}/rig)
set(OSTREL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
# Most of a test's time goes on waiting (timeouts, pauses, programs of its own), not on
# the processors: one test at a time kept two of them about a quarter busy. Four tests at
# once on two processors is what the suite was measured with.
set(OSTREL_RIG_PREFIXES 4 CACHE STRING "How many Wine prefixes the test rig has: how many tests run at once")
set(OSTREL_RIG_RESOURCES ${CMAKE_BINARY_DIR}/rig-resources.json)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${OSTREL_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTREL_WINE_RUN})

set(prefix_entries "")
math(EXPR last_prefix "${OSTREL_RIG_PREFIXES} - 1")
foreach(id RANGE ${last_prefix})
  if(prefix_entries)
    string(APPEND prefix_entries ", ")
  endif()
  string(APPEND prefix_entries "{\"id\": \"${id}\", \"slots\": 1}")
endforeach()
file(WRITE ${OSTREL_RIG_RESOURCES}
     "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"prefixes\": [${prefix_entries}]}]}\n")
