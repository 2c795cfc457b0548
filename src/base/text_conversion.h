// Text between the system ANSI code page and UTF-8 (or another code page), through UTF-16.
#pragma once

#include "base/npapi.h"

// A new allocator block with length bytes of text in codePage converted to the system ANSI
// code page and NUL-terminated; its length in *ansiLength. Null for an empty text, a text
// that does not convert, or no room.
char* convertToAnsi(unsigned int codePage, const char* text, int length, int* ansiLength);

// A new allocator block with length bytes of system ANSI text converted to UTF-8 and
// NUL-terminated; its length in *utf8Length. Null for an empty text, a text that does not
// convert, or no room.
char* convertAnsiToUtf8(const char* text, int length, int* utf8Length);

// Whether the system converts to and from UTF-8: all but Windows 95 (the 9x family at
// version 4.0), and none whose version cannot be read.
bool systemConvertsUtf8();

// A new allocator block with a page-supplied text converted from UTF-8 to the system ANSI
// code page, or an unconverted copy where the conversion does not apply (Windows 95) or
// fails.
char* ConvertUtf8ToAnsi(const char* text);
