# The plug-in's package-list reading code and the ground floor it stands on: pure text,
# built with the machine's own compiler by the tools that read package lists as the
# plug-in does (the native package-list benchmark, tools/release_check). OSTREL_SRC must
# name the src folder.
set(OSTREL_PACKAGE_LIST_READER_SOURCES
  ${OSTREL_SRC}/download/CPropertyMap.cpp
  ${OSTREL_SRC}/download/property_text.cpp
  ${OSTREL_SRC}/download/file_set_reader.cpp
  ${OSTREL_SRC}/base/leading_integer.cpp
  ${OSTREL_SRC}/base/host_services.cpp
  ${OSTREL_SRC}/base/string_copy.cpp)
