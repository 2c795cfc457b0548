// Preference-line normalisation, bypass lists and bounded text copies.
#include "net/prefs_text.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

bool isPrefsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool isBypassSpace(char c) { return isPrefsSpace(c) || c == '\r' || c == '\n'; }

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

void toSystemBypassList(const char* list, char* out, size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  for (const char* entry = list; *entry;) {
    const char* end = std::strchr(entry, '|');
    const size_t length = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
    if (length > 0) {
      const size_t kept = std::strlen(out);
      const bool fits = (kept == 0 || appendWhole(out, capacity, ";")) &&
                        (entry[0] != '.' || appendWhole(out, capacity, "*")) &&
                        appendWhole(out, capacity, entry, length);
      if (!fits) out[kept] = '\0';
    }
    if (!end) break;
    entry = end + 1;
  }
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
