// Fuzz target: a prefs.js file read line by line as the language and proxy readers read
// it (the line reader, normalisation, prefix tests, quoted values, bypass lists).
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "memory_file.h"
#include "net/prefs_reader.h"
#include "net/prefs_text.h"

namespace {

// Two of the prefixes the readers look for: one whose quoted value is a language list and
// one whose value becomes a bypass list.
constexpr char kLanguagePrefix[] = "user_pref(\"intl.accept_languages\", \"";
constexpr char kBypassPrefix[] = "user_pref(\"network.proxy.no_proxies_on\", \"";
// The size of the proxy readers' text fields.
constexpr size_t kProxyText = 1024;

void checkNormalized(const char* line) {
  FUZZ_CHECK(std::strpbrk(line, "\r\n\t\v\f") == nullptr);
  FUZZ_CHECK(std::strstr(line, "  ") == nullptr);
}

void checkQuotedValue(const char* valueStart, char* out, size_t outSize) {
  if (copyQuotedValue(valueStart, out, outSize)) {
    FUZZ_CHECK(std::strlen(out) < outSize && std::strchr(out, '"') == nullptr);
  } else {
    FUZZ_CHECK(out[0] == '\0');
  }
}

void useLine(char* line) {
  normalizePrefsLine(line);
  checkNormalized(line);
  if (startsWithIgnoringCase(line, kLanguagePrefix)) {
    char value[kPrefsLineBufferSize];
    checkQuotedValue(line + sizeof kLanguagePrefix - 1, value, sizeof value);
  }
  if (startsWithIgnoringCase(line, kBypassPrefix)) {
    char bypass[kProxyText];
    checkQuotedValue(line + sizeof kBypassPrefix - 1, bypass, sizeof bypass);
    normalizeBypassList(bypass);
    FUZZ_CHECK(std::strpbrk(bypass, ",; \t\r\n\v\f") == nullptr);
    // The system's form fits its buffer, and with a buffer twice the list's size nothing
    // but empty entries is left out.
    char system[2 * kProxyText];
    toSystemBypassList(bypass, system, sizeof system);
    FUZZ_CHECK(std::strlen(system) < sizeof system && std::strchr(system, '|') == nullptr);
    char small[16];
    toSystemBypassList(bypass, small, sizeof small);
    FUZZ_CHECK(std::strlen(small) < sizeof small);
  }
}

// Reads the whole file with a line buffer of lineSize bytes and the readers' carry; the
// pieces of a file without NUL bytes make up the whole file.
void readAll(const uint8_t* data, size_t size, int lineSize) {
  MemoryFile file{data, size, 0};
  // Blocks of exactly the sizes given, so that the sanitizer sees a byte written past either.
  std::vector<char> line(static_cast<size_t>(lineSize));
  std::vector<char> carry(kPrefsLineBufferSize);
  size_t taken = 0;
  int length = 0;
  while ((length = readPrefsLine(handleOf(file), line.data(), lineSize, carry.data(), kPrefsLineBufferSize)) > 0) {
    FUZZ_CHECK(length < lineSize);
    FUZZ_CHECK(static_cast<size_t>(length) == std::strlen(line.data()));
    FUZZ_CHECK(line[length] == '\0' && carry.back() == '\0');
    taken += static_cast<size_t>(length);
    FUZZ_CHECK(taken <= size);
    useLine(line.data());
  }
  if (!std::memchr(data, '\0', size)) FUZZ_CHECK(taken == size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As the language and proxy readers read, and with a line buffer far smaller than the
  // carry, so that lines come in pieces.
  readAll(data, size, kPrefsLineBufferSize);
  readAll(data, size, 16);
  return 0;
}
