// isClimbingPathPart and isDevicePathPart.
#include "base/path_parts.h"

#include <cstddef>
#include <initializer_list>

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCaseCounted(const char* a, size_t length, const char* b) {
  for (size_t i = 0; i < length; ++i, ++b)
    if (!*b || lowerAscii(a[i]) != lowerAscii(*b)) return false;
  return *b == '\0';
}

}  // namespace

bool isClimbingPathPart(const char* start, const char* end) {
  int dots = 0;
  for (const char* c = start; c < end; ++c) {
    if (*c == '.') ++dots;
    else if (*c != ' ') return false;
  }
  return dots >= 2;
}

bool isDevicePathPart(const char* start, const char* end) {
  const char* stem = start;
  while (stem < end && *stem != '.') ++stem;
  while (stem > start && stem[-1] == ' ') --stem;
  const size_t length = static_cast<size_t>(stem - start);
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (equalsIgnoringCaseCounted(start, length, device)) return true;
  if (length != 4 || start[3] < '1' || start[3] > '9') return false;
  return equalsIgnoringCaseCounted(start, 3, "com") || equalsIgnoringCaseCounted(start, 3, "lpt");
}
