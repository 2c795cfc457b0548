// The containment rule for archive entry names, and names compared without case.
//
// The rule works on bytes. In a double-byte code page a trail byte may equal "\"; the
// byte scan then sees more separators than the system does, which only ever makes the
// rule stricter, never lets a climbing component through.
#include "archive/archive_paths.h"

#include <cstring>

namespace {

// A component made only of dots and spaces with at least two dots climbs a level once
// the file system has dropped trailing dots and spaces.
bool isClimbingComponent(const char* start, const char* end) {
  int dots = 0;
  for (const char* c = start; c < end; ++c) {
    if (*c == '.') ++dots;
    else if (*c != ' ') return false;
  }
  return dots >= 2;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool isContainedEntryName(const char* name) {
  if (isPathSeparator(name[0]) || std::strchr(name, ':')) return false;
  const char* start = name;
  for (const char* c = name;; ++c) {
    if (*c != '\0' && !isPathSeparator(*c)) continue;
    if (isClimbingComponent(start, c)) return false;
    if (*c == '\0') return true;
    start = c + 1;
  }
}

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  }
  return *a == *b;
}
