// The cutting and the whole-or-nothing copies into fixed buffers.
#include "base/bounded_text.h"

#include <cstring>

void copyCut(char* out, size_t outSize, const char* text) {
  out[0] = '\0';
  appendCut(out, outSize, text);
}

bool appendCut(char* out, size_t outSize, const char* text) {
  const size_t used = std::strlen(out);
  const size_t room = outSize - 1 - used;
  size_t count = std::strlen(text);
  const bool fits = count <= room;
  if (!fits) count = room;
  std::memcpy(out + used, text, count);
  out[used + count] = '\0';
  return fits;
}

bool copyWhole(char* out, size_t outSize, const char* text) {
  out[0] = '\0';
  return appendWhole(out, outSize, text);
}

bool appendWhole(char* out, size_t outSize, const char* text, size_t count) {
  const size_t used = std::strlen(out);
  if (used + count >= outSize) return false;
  std::memcpy(out + used, text, count);
  out[used + count] = '\0';
  return true;
}

bool appendWhole(char* out, size_t outSize, const char* text) {
  return appendWhole(out, outSize, text, std::strlen(text));
}
