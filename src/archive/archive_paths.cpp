// The containment rule for archive entry names (no climbing, no devices), and names
// compared without case.
//
// The rule works on bytes. In a double-byte code page a trail byte may equal "\"; the
// byte scan then sees more separators than the system does, which only ever makes the
// rule stricter, never lets a climbing component through.
#include "archive/archive_paths.h"

#include <cstring>
#include <initializer_list>

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

bool equalsIgnoringCaseCounted(const char* a, size_t length, const char* b) {
  for (size_t i = 0; i < length; ++i, ++b)
    if (!*b || lowerAscii(a[i]) != lowerAscii(*b)) return false;
  return *b == '\0';
}

// A component that names a device: its name up to the first dot, trailing spaces
// dropped, is one of the system's device names, whatever extension follows. Opening
// such a "file" opens the device (a serial port may block the reader for good).
bool isDeviceComponent(const char* start, const char* end) {
  const char* stem = start;
  while (stem < end && *stem != '.') ++stem;
  while (stem > start && stem[-1] == ' ') --stem;
  const size_t length = static_cast<size_t>(stem - start);
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (equalsIgnoringCaseCounted(start, length, device)) return true;
  if (length != 4 || start[3] < '1' || start[3] > '9') return false;
  return equalsIgnoringCaseCounted(start, 3, "com") || equalsIgnoringCaseCounted(start, 3, "lpt");
}

}  // namespace

bool isContainedEntryName(const char* name) {
  if (isPathSeparator(name[0]) || std::strchr(name, ':')) return false;
  const char* start = name;
  for (const char* c = name;; ++c) {
    if (*c != '\0' && !isPathSeparator(*c)) continue;
    if (isClimbingComponent(start, c) || isDeviceComponent(start, c)) return false;
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
