// Text comparisons that ignore the case of ASCII letters only. Names from archives, package
// lists, URLs and prefs files are compared this way, so that the answer never depends on
// the system's code page. Pure text, no system calls.
#pragma once

// True when a and b are the same text but for the case of ASCII letters.
bool equalsIgnoringCase(const char* a, const char* b);

// True when text begins with prefix but for the case of ASCII letters. Reads text no
// further than the length of prefix, so text need not end right after it.
bool startsWithIgnoringCase(const char* text, const char* prefix);
