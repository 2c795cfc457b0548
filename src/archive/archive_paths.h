// Path texts for the extractors: bounded assembly of target paths and the rule that keeps
// names read from an archive inside the destination. Pure text, no system calls.
#pragma once

#include <cstddef>

// Room for a path in the system's usual buffers: 259 characters and the NUL. A target
// that does not fit is refused, never cut: a cut path would name some other file.
constexpr size_t kPathCapacity = 260;

// True when a name recorded in an archive stays below the folder it is joined to: it does
// not start with a separator (absolute or network path), holds no ":" (drive letter or
// alternate stream), and no component of it climbs: "..", or any run of dots and spaces
// with two or more dots, which the file system reduces to "..".
bool isContainedEntryName(const char* name);

// Appends count bytes of text to the NUL-terminated path held in a buffer of capacity
// bytes. False, with the path unchanged, when the result would not fit.
bool appendPathText(char* path, size_t capacity, const char* text, size_t count);

// As above, for the whole of text.
bool appendPathText(char* path, size_t capacity, const char* text);

// Appends "\" unless the path already ends in one. False when it would not fit.
bool appendSeparator(char* path, size_t capacity);

// True for "\" and "/", both of which separate folders in names from archives.
inline bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// Compares two texts without regard to the case of ASCII letters.
bool equalsIgnoringCase(const char* a, const char* b);
