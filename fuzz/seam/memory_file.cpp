// The native file calls behind seam/win32/windows.h: ReadFile over a MemoryFile, and the
// calls on real paths failing as for a missing file.
#include "memory_file.h"

#include <cstring>

BOOL ReadFile(HANDLE handle, void* buffer, DWORD toRead, DWORD* read, LPOVERLAPPED) {
  auto* file = static_cast<MemoryFile*>(handle);
  const size_t left = file->size - file->position;
  const size_t count = toRead < left ? toRead : left;
  if (count) std::memcpy(buffer, file->data + file->position, count);
  file->position += count;
  *read = static_cast<DWORD>(count);
  return 1;
}

HANDLE CreateFileA(const char*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }

BOOL GetFileAttributesExA(const char*, GET_FILEEX_INFO_LEVELS, void*) { return 0; }
