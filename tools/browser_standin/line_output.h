// The stand-in's report: one line per event, "standin: " first, written and flushed at
// once so that a reader sees each event as it happens. Any thread may report.
#pragma once

#include <cstdint>
#include <string>

void reportLine(const std::string& text);

// A text between double quotes, in printable ASCII: backslash, quote, control bytes and
// bytes above 0x7E are escaped (\\ \" \r \n \t \xHH), so a line stays one line and
// shows the exact bytes the plug-in exchanged.
std::string quoted(const char* text);
std::string quoted(const std::string& text);

// A value as 0x followed by eight (hex32) or four (hex16) hexadecimal digits.
std::string hex32(uint32_t value);
std::string hex16(uint16_t value);
