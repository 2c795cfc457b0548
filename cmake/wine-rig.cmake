# The test rig: one Wine prefix inside the build folder, one Xvfb display and one
# persistent wineserver for a whole CTest run. Every Windows program that CMake runs
# (tests, the stand-in) goes through the wine-run wrapper, which points Wine at that
# prefix and display.
set(OSTREL_RIG_DIR ${CMAKE_BINARY_DIR}/rig)
set(OSTREL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${OSTREL_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTREL_WINE_RUN})
