// Writing the stand-in's report lines, and the escaping that keeps each one printable.
#include "line_output.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_outputMutex;

const char kHexDigits[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\\': out += "\\\\"; return;
    case '"': out += "\\\""; return;
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  if (byte >= 0x20 && byte <= 0x7E) {
    out += static_cast<char>(byte);
    return;
  }
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xF];
}

std::string hexDigits(uint32_t value, int digits) {
  std::string out = "0x";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHexDigits[(value >> shift) & 0xF];
  return out;
}

}  // namespace

void reportLine(const std::string& text) {
  // One write per line: the plug-in may print to the same stream from its own threads,
  // and the stream is only locked for the length of one call.
  const std::string line = "standin: " + text + "\n";
  std::lock_guard<std::mutex> lock(g_outputMutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) appendEscaped(out, static_cast<unsigned char>(c));
  return out + "\"";
}

std::string quoted(const char* text) { return text ? quoted(std::string(text)) : "(null)"; }

std::string hex32(uint32_t value) { return hexDigits(value, 8); }

std::string hex16(uint16_t value) { return hexDigits(value, 4); }
