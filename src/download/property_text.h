// The two dialects of the properties text (lines of key, "=", value) that fill a
// CPropertyMap. Pure text processing: the callers convert the text to the system code
// page first.
//
// Package-list dialect: CR LF, a lone LF and a lone CR all end a line; "#" at the start
// of a line makes it a comment; the first character of a line always belongs to the key,
// even "="; the key runs to the first "="; in a value a backslash escapes the next
// character ("n" gives a line feed, "r" a carriage return, anything else itself, a line
// end included); a line without "=" gives nothing. No size limit.
//
// Configuration-file dialect: only CR LF ends a line; lines beginning with "#" or "="
// and lines without "=" give nothing; the key is the text before the first "=", the value
// the rest of the line less one final LF or CR; no escapes.
//
// In both, nothing is trimmed and the first line that gives a key wins.
#pragma once

#include <cstddef>
#include <cstdint>

class CPropertyMap;

// The configuration-file dialect's limits. A pair with a longer key or value is dropped
// whole rather than cut: a cut key or value would be a different one.
constexpr size_t kConfigurationKeyLimit = 255;
constexpr size_t kConfigurationValueLimit = 4095;
// The one exception: the server's error ("updater.error") too long to keep is kept as
// its first kServerErrorKeptLength characters.
constexpr char kServerErrorKey[] = "updater.error";
constexpr size_t kServerErrorKeptLength = 1000;

// Parses length bytes of package-list text (no terminating NUL needed) into map. Returns
// the number of pairs dropped because there was no room for them.
int32_t parsePropertyText(CPropertyMap& map, const char* bytes, size_t length);

// Parses length bytes of configuration-file text into map. Returns the number of pairs
// dropped, for a key or value over the limits or for lack of room.
int32_t parseConfigurationText(CPropertyMap& map, const char* text, size_t length);
