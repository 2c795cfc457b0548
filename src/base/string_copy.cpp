// String copies over the browser's allocator.
#include "base/string_copy.h"

#include <cstring>

#include "base/host_services.h"

char* copyString(const char* text) {
  if (!text) return nullptr;
  const size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(size)));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

char** copyStringArray(char** source, int count, char* (*convert)(const char*)) {
  if (!source || count <= 0) return nullptr;
  const uint32 size = (static_cast<uint32>(count) + 1) * sizeof(char*);
  char** array = static_cast<char**>(NPN_MemAlloc(size));
  if (!array) return nullptr;
  for (int i = 0; i < count; ++i) array[i] = source[i] ? convert(source[i]) : nullptr;
  array[count] = nullptr;
  return array;
}

void freeStringArray(char** array, int count) {
  if (!array) return;
  for (int i = 0; i < count; ++i) NPN_MemFree(array[i]);
  NPN_MemFree(array);
}
