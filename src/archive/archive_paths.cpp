// The containment rule for archive entry names: no climbing, no devices; and the name
// an entry is written under.
//
// The rule works on bytes. In a double-byte code page a trail byte may equal "\"; the
// byte scan then sees more separators than the system does, which only ever makes the
// rule stricter, never lets a climbing component through. The same holds for the
// trimming: a trail byte is never a dot or a blank.
#include "archive/archive_paths.h"

#include <cstring>

#include "base/path_parts.h"
#include "base/path_trimming.h"

bool isContainedEntryName(const char* name) {
  if (isPathSeparator(name[0]) || std::strchr(name, ':')) return false;
  const char* start = name;
  for (const char* c = name;; ++c) {
    if (*c != '\0' && !isPathSeparator(*c)) continue;
    if (isClimbingPathPart(start, c) || isDevicePathPart(start, c)) return false;
    if (*c == '\0') return true;
    start = c + 1;
  }
}

bool entryNameAsWritten(const char* recorded, char* out, size_t capacity) {
  if (!copyWhole(out, capacity, recorded) || !trimPathParts(out)) return false;
  for (char* c = out; *c; ++c) {
    if (*c == '/') *c = '\\';
  }
  return isContainedEntryName(out);
}
