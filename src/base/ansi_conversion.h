// UTF-8 to system ANSI code page conversion of page-supplied texts.
#pragma once

// A new allocator block with text converted from UTF-8 to the system ANSI code page, or
// an unconverted copy where the conversion does not apply (Windows 95) or fails.
char* ConvertUtf8ToAnsi(const char* text);
