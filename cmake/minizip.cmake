# The zip reader that ships with zlib (minizip 1.1), installed from npm and compiled into
# a static library over Debian's mingw zlib. The npm package also bundles an older zlib;
# unzip.c includes that one by a relative path, so a copy of unzip.c with the include
# pointed at the system header is compiled instead.
set(MINIZIP_SOURCE_DIR ${CMAKE_SOURCE_DIR}/node_modules/node-minizip/deps/zlib/contrib/minizip)

if(NOT EXISTS ${MINIZIP_SOURCE_DIR}/unzip.c)
  message(STATUS "Installing the zip reader sources with npm")
  execute_process(COMMAND npm ci --ignore-scripts --no-audit --no-fund
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  RESULT_VARIABLE npm_result)
  if(NOT npm_result EQUAL 0 OR NOT EXISTS ${MINIZIP_SOURCE_DIR}/unzip.c)
    message(FATAL_ERROR "npm ci failed: the minizip sources are missing")
  endif()
endif()

set(MINIZIP_BUILD_DIR ${CMAKE_BINARY_DIR}/minizip)
file(READ ${MINIZIP_SOURCE_DIR}/unzip.c unzip_text)
string(REPLACE "#include \"../../zlib.h\"" "#include <zlib.h>" unzip_text "${unzip_text}")
file(WRITE ${MINIZIP_BUILD_DIR}/unzip.c.new "${unzip_text}")
configure_file(${MINIZIP_BUILD_DIR}/unzip.c.new ${MINIZIP_BUILD_DIR}/unzip.c COPYONLY)

find_library(MINGW_ZLIB NAMES libz.a z REQUIRED)
find_path(MINGW_ZLIB_INCLUDE zlib.h REQUIRED)

add_library(minizip STATIC
  ${MINIZIP_BUILD_DIR}/unzip.c
  ${MINIZIP_SOURCE_DIR}/ioapi.c
  ${MINIZIP_SOURCE_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_SOURCE_DIR} ${MINGW_ZLIB_INCLUDE})
target_compile_definitions(minizip PUBLIC NOCRYPT NOUNCRYPT)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ${MINGW_ZLIB})
