// Preference-line normalisation, bypass lists and bounded text copies.
#include "net/prefs_text.h"

#include <cstring>

namespace {

bool isPrefsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool isBypassSpace(char c) { return isPrefsSpace(c) || c == '\r' || c == '\n'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void normalizePrefsLine(char* line) {
  line[std::strcspn(line, "\r\n")] = '\0';
  char* out = line;
  for (const char* in = line; *in;) {
    if (isPrefsSpace(*in)) {
      *out++ = ' ';
      while (isPrefsSpace(*in)) ++in;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
}

void normalizeBypassList(char* list) {
  char* out = list;
  for (const char* in = list; *in; ++in) {
    if (*in == ',' || *in == ';')
      *out++ = '|';
    else if (!isBypassSpace(*in))
      *out++ = *in;
  }
  *out = '\0';
}

bool startsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (lowerAscii(*text) != lowerAscii(*prefix)) return false;
  }
  return true;
}

bool copyQuotedValue(const char* valueStart, char* out, size_t outSize) {
  const char* quote = std::strchr(valueStart, '"');
  out[0] = '\0';
  if (!quote) return false;
  size_t count = static_cast<size_t>(quote - valueStart);
  if (count > outSize - 1) count = outSize - 1;
  std::memcpy(out, valueStart, count);
  out[count] = '\0';
  return true;
}
