// Path texts in fixed buffers, joined whole or not at all: a shortened path would name
// some other file. Pure text, no system calls.
#pragma once

#include <cstddef>

// Room for a path in the system's usual buffers: 259 characters and the NUL. A path that
// does not fit is refused, never cut.
constexpr size_t kPathCapacity = 260;

// True for "\" and "/", both of which separate folders in names from outside (archives,
// package lists).
inline bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// Appends "\" unless the path already ends in one. False when it would not fit.
bool appendSeparator(char* path, size_t capacity);

// directory + "\" + name into out (capacity bytes). False when it does not fit.
bool joinPath(char* out, size_t capacity, const char* directory, const char* name);
