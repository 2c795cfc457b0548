// Hexadecimal digits as digests and signatures are written, in either case. Pure text.
#pragma once

// Whether c is 0-9, a-f or A-F.
bool isHexDigit(char c);
// The value of a digit for which isHexDigit holds.
unsigned char hexDigitValue(char c);
