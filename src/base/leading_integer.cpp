// readLeadingInteger: atoi's reading with a defined result on overflow.
#include "base/leading_integer.h"

int32_t readLeadingInteger(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  // One past the largest magnitude either sign can hold is enough to know it saturates.
  const int64_t limit = static_cast<int64_t>(INT32_MAX) + 1;
  int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude > limit) magnitude = limit;
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}
