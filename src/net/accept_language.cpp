// Accept-Language from the browser's preferences or the registry.
#include "net/accept_language.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/scoped_handle.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "net/prefs_reader.h"
#include "net/prefs_text.h"
#include "net/profile_prefs.h"
#include "net/user_agent.h"

namespace {

constexpr char kHeaderPrefix[] = "Accept-Language: ";
constexpr char kLanguagePrefsPrefix[] = "user_pref(\"intl.accept_languages\", \"";
constexpr char kDefaultLanguage[] = "en-us";

// A new block holding prefix + text.
char* joinInBlock(const char* prefix, const char* text) {
  const size_t prefixLength = std::strlen(prefix);
  const size_t textLength = std::strlen(text);
  auto* block = static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(prefixLength + textLength + 1)));
  if (!block) return nullptr;
  std::memcpy(block, prefix, prefixLength);
  std::memcpy(block + prefixLength, text, textLength + 1);
  return block;
}

bool isTrimmedSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The language value of a normalised "intl.accept_languages" line, trimmed, or null.
char* languageFromLine(const char* prefix, const char* line, const char* prefsPath) {
  char value[kPrefsLineBufferSize];
  if (!copyQuotedValue(line + sizeof kLanguagePrefsPrefix - 1, value, sizeof value)) {
    auto hold = lockInstallLog();
    logLine("Unexpected error in getLanguageInfoFromPrefs().");
    logText("Preference file: ");
    logLine(prefsPath);
    return nullptr;
  }
  char* start = value;
  while (isTrimmedSpace(*start)) ++start;
  size_t length = std::strlen(start);
  while (length > 0 && isTrimmedSpace(start[length - 1])) --length;
  start[length] = '\0';
  return length ? joinInBlock(prefix, start) : nullptr;
}

char* readRfc1766Value(HKEY key, const char* name) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return nullptr;
  const size_t prefixLength = sizeof kHeaderPrefix - 1;
  // One byte more than the value: a stored text need not end with its terminator.
  ScopedBlock<char> header(static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(prefixLength + size + 1))));
  if (!header) return nullptr;
  char* block = header.get();
  std::memcpy(block, kHeaderPrefix, prefixLength);
  DWORD read = size;
  auto* value = reinterpret_cast<BYTE*>(block + prefixLength);
  if (RegQueryValueExA(key, name, nullptr, nullptr, value, &read) != ERROR_SUCCESS || read == 0) return nullptr;
  block[prefixLength + read] = '\0';
  block[prefixLength + std::strcspn(block + prefixLength, ";")] = '\0';
  // An empty tag (an empty text, or one that starts with ";") names no language.
  if (block[prefixLength] == '\0') return nullptr;
  return header.release();
}

// The user's language from the table of RFC 1766 tags, as a whole header line.
char* headerFromRegistry() {
  // The table names a language by four lower-case hexadecimal digits: 0c0c, 0409.
  char name[8];
  std::snprintf(name, sizeof name, "%04x", static_cast<unsigned>(GetUserDefaultLangID()));
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "MIME\\Database\\Rfc1766", 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return nullptr;
  const ScopedRegistryKey key(opened);
  return readRfc1766Value(key.get(), name);
}

char* defaultHeader() {
  char* header = joinInBlock(kHeaderPrefix, kDefaultLanguage);
  auto hold = lockInstallLog();
  logLine("No accept language string was found!");
  logText("Defaulting to: ");
  logLine(header ? header : "");
  return header;
}

char* languageFromProfile(const char* prefix, ProfileFamily family) {
  char prefsPath[kPathCapacity];
  getNSUserPrefsPath(family, prefsPath, sizeof prefsPath);
  return prefsPath[0] ? getLanguageInfoFromPrefs(prefix, prefsPath) : nullptr;
}

}  // namespace

char* getLanguageInfoFromPrefs(const char* prefix, const char* prefsPath) {
  const ScopedFileHandle file(openPrefsFile(prefsPath));
  if (!file) return nullptr;
  char line[kPrefsLineBufferSize] = {};
  char carry[kPrefsLineBufferSize] = {};
  while (readPrefsLine(file.get(), line, sizeof line, carry, sizeof carry) > 0) {
    normalizePrefsLine(line);
    if (startsWithIgnoringCase(line, kLanguagePrefsPrefix)) return languageFromLine(prefix, line, prefsPath);
  }
  return nullptr;
}

char* getNSLanguageInfo(const char* prefix, const char* userAgent) {
  switch (classifyUserAgent(userAgent)) {
    case BrowserFamily::Firefox:
      return languageFromProfile(prefix, ProfileFamily::Firefox);
    case BrowserFamily::Mozilla:
      return languageFromProfile(prefix, ProfileFamily::Mozilla);
    case BrowserFamily::NoVersion: {
      auto hold = lockInstallLog();
      logLine("Bad user agent in getNSLanguageInfo().");
      logText("User agent: ");
      logLine(userAgent ? userAgent : "");
      return nullptr;
    }
    default:
      // Netscape 4.x and older keep no language preference that could be read.
      return nullptr;
  }
}

char* getAcceptLanguageHeader(const char* userAgent) {
  char* header = getNSLanguageInfo(kHeaderPrefix, userAgent);
  if (!header) header = headerFromRegistry();
  if (!header) header = defaultHeader();
  return header;
}
