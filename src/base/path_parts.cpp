// isClimbingPathPart and isDevicePathPart.
#include "base/path_parts.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "base/ascii_case.h"

namespace {

// The part's stem (length bytes from stem, not NUL-terminated) is name, in any case.
bool stemIs(const char* stem, size_t length, const char* name) {
  return std::strlen(name) == length && startsWithIgnoringCase(stem, name);
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
    if (stemIs(start, length, device)) return true;
  if (length != 4 || start[3] < '1' || start[3] > '9') return false;
  return startsWithIgnoringCase(start, "com") || startsWithIgnoringCase(start, "lpt");
}
