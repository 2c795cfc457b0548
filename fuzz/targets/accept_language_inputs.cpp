// Fuzz target: the texts the Accept-Language line is built from: the browser's user agent
// (its family, and the Netscape 4 version text that names its registry key) and a
// prefs.js language line, taken through the same text functions in the same order.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/path_text.h"
#include "fuzz_check.h"
#include "net/prefs_reader.h"
#include "net/prefs_text.h"
#include "net/user_agent.h"

namespace {

constexpr char kLanguagePrefix[] = "user_pref(\"intl.accept_languages\", \"";

void checkUserAgent(const std::string& userAgent) {
  const BrowserFamily family = classifyUserAgent(userAgent.c_str());
  const size_t slash = userAgent.find('/');
  if (userAgent.find("Firefox") != std::string::npos)
    FUZZ_CHECK(family == BrowserFamily::Firefox);
  else
    FUZZ_CHECK((family == BrowserFamily::NoVersion) == (slash == std::string::npos));

  // The version text goes into a registry key buffer of the path capacity.
  char version[kPathCapacity];
  std::memset(version, 'x', sizeof version);
  netscapeVersionText(userAgent.c_str(), version, sizeof version);
  const size_t length = std::strlen(version);
  FUZZ_CHECK(length < sizeof version);
  FUZZ_CHECK(std::strpbrk(version, "[]\n") == nullptr);
  FUZZ_CHECK(length == 0 || std::strchr(" \t\r\v\f", version[length - 1]) == nullptr);
  if (slash == std::string::npos) FUZZ_CHECK(length == 0);
}

// A line as the line reader hands it over: at most the line buffer less its NUL.
void checkLanguageLine(const std::string& text) {
  char line[kPrefsLineBufferSize] = {};
  std::strncpy(line, text.c_str(), sizeof line - 1);
  normalizePrefsLine(line);
  if (!startsWithIgnoringCase(line, kLanguagePrefix)) return;
  char value[kPrefsLineBufferSize];
  std::memset(value, 'x', sizeof value);
  if (copyQuotedValue(line + sizeof kLanguagePrefix - 1, value, sizeof value))
    FUZZ_CHECK(std::strlen(value) < sizeof value && std::strchr(value, '"') == nullptr);
  else
    FUZZ_CHECK(value[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The user agent up to the first NUL, the prefs line after it.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  checkUserAgent(input.substr(0, nul));
  checkLanguageLine(nul == std::string::npos ? input : input.substr(nul + 1));
  return 0;
}
