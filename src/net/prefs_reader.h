// Reading the browsers' preference files (prefs.js) line by line.
#pragma once

#include <windows.h>

// Size of the line and carry buffers that the preference readers use.
constexpr int kPrefsLineBufferSize = 2048;

// Gives the next line of an open file in line, with its line-end characters (a whole run
// of CR and LF), and returns its length; 0 once the file is exhausted. carry holds text
// read but not yet returned and must be all zeros before the first call. A line longer
// than the carry (or than line) comes back in pieces. Both buffers stay terminated.
int readPrefsLine(HANDLE file, char* line, int lineSize, char* carry, int carrySize);

// The last-access time of a file (the second time GetFileTime gives), as one number.
// False when the file cannot be opened or its time read.
bool readLastAccessTime(const char* path, ULONGLONG* time);

// A folder entry that may be entered: a plain folder, not "." or "..". Links and junctions
// carry other attribute bits, which also keeps walks out of most directory loops.
bool isPlainSubdirectory(const WIN32_FIND_DATAA& entry);

// Opens a preference file for reading as the browsers leave it (others may write it).
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE openPrefsFile(const char* path);
