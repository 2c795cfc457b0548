// Text from UTF-8 (or another code page) into the system ANSI code page, through UTF-16.
#pragma once

#include "base/npapi.h"

// A new allocator block with length bytes of text in codePage converted to the system ANSI
// code page and NUL-terminated; its length in *ansiLength. Null for an empty text, a text
// that does not convert, or no room.
char* convertToAnsi(unsigned int codePage, const char* text, int length, int* ansiLength);

// A new allocator block with a page-supplied text converted from UTF-8 to the system ANSI
// code page, or an unconverted copy where the conversion does not apply (Windows 95) or
// fails.
char* ConvertUtf8ToAnsi(const char* text);
