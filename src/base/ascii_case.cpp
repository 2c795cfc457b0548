// equalsIgnoringCase and startsWithIgnoringCase.
#include "base/ascii_case.h"

namespace {

// Bytes outside 'A' to 'Z' stay as they are: in a code page's upper half the same byte
// is a different letter from one system to the next.
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  return *a == *b;
}

bool startsWithIgnoringCase(const char* text, const char* prefix) {
  // A text shorter than prefix ends in a NUL, which differs from prefix's next letter.
  for (; *prefix; ++text, ++prefix)
    if (lowerAscii(*text) != lowerAscii(*prefix)) return false;
  return true;
}
