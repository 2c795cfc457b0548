// isCookieValue: every character checked against the set a cookie value may hold.
#include "base/cookie_value.h"

bool isCookieValue(const char* text) {
  for (const char* c = text; *c; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte <= 0x20 || byte >= 0x7F || byte == '"' || byte == ',' || byte == ';' || byte == '\\') return false;
  }
  return true;
}
