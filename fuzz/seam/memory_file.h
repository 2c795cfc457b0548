// A read-only file held in memory, handed to the prefs.js line reader through the native
// ReadFile of seam/win32/windows.h. Reads behave as on a disk file: all that was asked
// for while the file lasts, then the rest, then 0 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

struct MemoryFile {
  const uint8_t* data;
  size_t size;
  size_t position;
};

inline HANDLE handleOf(MemoryFile& file) { return &file; }
