// isHexDigit and hexDigitValue.
#include "base/hex_digits.h"

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

unsigned char hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
  return static_cast<unsigned char>((c | 0x20) - 'a' + 10);
}
