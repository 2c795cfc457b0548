// trimPathParts.
#include "base/path_trimming.h"

#include <cstring>

#include "base/path_text.h"

bool trimPathParts(char* path) {
  // Trimming only shortens: each part moves down to where the text written so far ends.
  char* written = path;
  const char* part = path;
  for (const char* c = path;; ++c) {
    if (*c != '\0' && !isPathSeparator(*c)) continue;
    const char* end = c;
    while (end > part && (end[-1] == '.' || end[-1] == ' ')) --end;
    if (end == part && c != part) return false;
    std::memmove(written, part, static_cast<size_t>(end - part));
    written += end - part;
    if (*c == '\0') {
      *written = '\0';
      return true;
    }
    *written++ = *c;
    part = c + 1;
  }
}
