// Copies of strings and string arrays in browser-allocated blocks.
#pragma once

// A new block holding a copy of text; null for a null text or when there is no room.
char* copyString(const char* text);

// A null-terminated array of count + 1 entries: each entry a converted copy of
// source[i] (null entries stay null), the last entry null. Null when source is null,
// count is 0 or less, or there is no room. convert defaults to copyString.
char** copyStringArray(char** source, int count, char* (*convert)(const char*) = copyString);

// Frees the first count entries of an array from copyStringArray, then the array.
void freeStringArray(char** array, int count);
