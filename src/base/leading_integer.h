// The number at the start of a text, read the way the C library's atoi reads it.
#pragma once

#include <cstdint>

// Skips leading blanks (space, tab, line feed, vertical tab, form feed, carriage return),
// takes one optional sign and the digits up to the first other character. A text without
// leading digits, or null, gives 0. Values beyond the 32-bit range saturate at its ends,
// where atoi itself would be undefined.
int32_t readLeadingInteger(const char* text);
