// Joining path texts.
#include "base/path_text.h"

#include <cstring>

#include "base/bounded_text.h"

bool appendSeparator(char* path, size_t capacity) {
  const size_t length = std::strlen(path);
  if (length > 0 && path[length - 1] == '\\') return true;
  return appendWhole(path, capacity, "\\", 1);
}

bool joinPath(char* out, size_t capacity, const char* directory, const char* name) {
  return copyWhole(out, capacity, directory) && appendWhole(out, capacity, "\\") &&
         appendWhole(out, capacity, name);
}
