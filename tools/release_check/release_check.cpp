// Reads a package list the way the plug-in reads it (the plug-in's own parser and file-set
// reader, built for this machine) and prints its file sets, so that tools/make-release can
// compare what the plug-in will see with what it meant to write:
//   set <n> <name> files=<count> version=<set version>
//   element <n> <j> <name> version=<version>
// Usage: release_check PACKAGE_LIST. Exit 0 when the list was read whole, 1 when the
// reader ran out of room, 2 when the file cannot be read.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "base/host_services.h"
#include "download/CFileSet.h"
#include "download/CPropertyMap.h"
#include "download/file_set_reader.h"
#include "download/property_text.h"

namespace {

void* allocate(uint32 size) { return std::malloc(size); }
void release(void* block) { std::free(block); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: release_check PACKAGE_LIST\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "release_check: cannot read %s\n", argv[1]);
    return 2;
  }
  std::ostringstream content;
  content << file.rdbuf();
  const std::string text = content.str();

  NPNetscapeFuncs browser{};
  browser.memalloc = allocate;
  browser.memfree = release;
  setBrowserFuncs(&browser);

  // The plug-in hands the parser the list converted to the system's code page; a list of
  // ASCII text reads the same either way.
  CPropertyMap map;
  parsePropertyText(map, text.c_str(), text.size());
  CFileSetList sets;
  const FileSetReading reading = readFileSets(map, sets);
  int n = 0;
  for (const CFileSet* set = sets.first(); set; set = set->next, ++n) {
    std::printf("set %d %s files=%d version=%s\n", n, set->name(), static_cast<int>(set->elements.count()),
                set->version());
    int j = 0;
    for (const CFileSetElement* element = set->elements.first(); element; element = element->next, ++j)
      std::printf("element %d %d %s version=%s\n", n, j, element->name(), element->version());
  }
  return reading == FileSetReading::kComplete ? 0 : 1;
}
