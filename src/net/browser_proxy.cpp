// Readers of the browsers' proxy configuration.
#include "net/browser_proxy.h"

#include <cstdlib>
#include <cstring>

#include "base/bounded_text.h"
#include "base/path_text.h"
#include "base/scoped_handle.h"
#include "base/temp_directory.h"
#include "net/prefs_reader.h"
#include "net/prefs_text.h"
#include "net/profile_prefs.h"
#include "net/user_agent.h"

namespace {

using Settings = BrowserProxySettings;

// What a prefs.js line does when it begins with the prefix (compared after the line was
// normalised, ignoring case). The first matching prefix decides.
enum class PrefsAction { Host, Port, Manual, Auto, Bypass, AutoConfigUrl };

struct PrefsRule {
  const char* prefix;
  PrefsAction action;
};

const PrefsRule kPrefsRules[] = {
    {"user_pref(\"network.proxy.http\", \"", PrefsAction::Host},
    {"user_pref(\"network.proxy.http_port\", ", PrefsAction::Port},
    {"user_pref(\"network.proxy.type\", 1", PrefsAction::Manual},
    {"user_pref(\"network.proxy.type\", 2", PrefsAction::Auto},
    {"user_pref(\"network.proxy.no_proxies_on\", \"", PrefsAction::Bypass},
    {"user_pref(\"network.proxy.autoconfig_url\", \"", PrefsAction::AutoConfigUrl},
};

const char kNetscape3Key[] = "Software\\Netscape\\Netscape Navigator\\Proxy Information";
const char kNetscapeKeyStart[] = "Software\\Netscape\\Netscape Navigator\\";

// Applies one line; false when a text value lacks its closing quote.
bool applyPrefsLine(const char* line, Settings* settings) {
  for (const PrefsRule& rule : kPrefsRules) {
    if (!startsWithIgnoringCase(line, rule.prefix)) continue;
    const char* value = line + std::strlen(rule.prefix);
    switch (rule.action) {
      case PrefsAction::Host:
        return copyQuotedValue(value, settings->host, sizeof settings->host);
      case PrefsAction::Port:
        settings->port = static_cast<int>(std::strtol(value, nullptr, 10));
        return true;
      case PrefsAction::Manual:
        settings->kind = Settings::MANUAL;
        return true;
      case PrefsAction::Auto:
        settings->kind = Settings::AUTO;
        return true;
      case PrefsAction::Bypass:
        return copyQuotedValue(value, settings->bypassList, sizeof settings->bypassList);
      case PrefsAction::AutoConfigUrl:
        return copyQuotedValue(value, settings->autoConfigUrl, sizeof settings->autoConfigUrl);
    }
  }
  return true;
}

bool readDword(HKEY key, const char* name, DWORD* value) {
  DWORD size = sizeof *value;
  return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
         size == sizeof *value;
}

// A text value into out, whole with its terminating NUL, which may take out's last byte.
// The registry does not promise a terminator: a value stored without one that fills out
// completely counts as missing, like a value too long for out. Cutting either would hand
// on a host or list that nobody configured; missing lets the next source decide. Whatever
// is not read leaves out empty.
bool readText(HKEY key, const char* name, char* out, DWORD outSize) {
  std::memset(out, 0, outSize);
  DWORD size = outSize;
  const bool read =
      RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) == ERROR_SUCCESS;
  // Shorter data is terminated by the zeros already in out.
  if (read && (size < outSize || out[outSize - 1] == '\0')) return true;
  std::memset(out, 0, outSize);
  return false;
}

void readNetscape3Values(HKEY key, Settings* settings) {
  DWORD proxyType = 0;
  DWORD port = 0;
  char host[256];
  if (!readDword(key, "Proxy Type", &proxyType) || proxyType == 0) return;
  if (!readText(key, "HTTP_Proxy", host, sizeof host)) return;
  if (!readDword(key, "Http_ProxyPort", &port) || port == 0) return;
  settings->kind = Settings::MANUAL;
  copyCut(settings->host, sizeof settings->host, host);
  settings->port = static_cast<int>(port);
  readText(key, "No_Proxy", settings->bypassList, sizeof settings->bypassList);
}

// The Netscape 4.x "Users" folder from the install directory registered for the version
// that the user agent names.
bool findNetscape4UsersDirectory(const char* userAgent, char* out) {
  char key[kPathCapacity];
  char version[kPathCapacity];
  netscapeVersionText(userAgent, version, sizeof version);
  copyCut(key, sizeof key, kNetscapeKeyStart);
  if (!appendWhole(key, sizeof key, version) || !appendWhole(key, sizeof key, "\\Main")) return false;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  const ScopedRegistryKey handle(opened);
  char installDirectory[kPathCapacity];
  if (!readText(handle.get(), "Install Directory", installDirectory, sizeof installDirectory)) return false;
  const DWORD length = GetShortPathNameA(installDirectory, out, kPathCapacity);
  if (length == 0 || length >= kPathCapacity) return false;
  // The users' folders sit beside the program folder.
  char* lastSeparator = std::strrchr(out, '\\');
  if (!lastSeparator) return false;
  *lastSeparator = '\0';
  return appendWhole(out, kPathCapacity, "\\Users");
}

void readProfileProxySettings(ProfileFamily family, Settings* settings) {
  char prefsPath[kPathCapacity];
  getNSUserPrefsPath(family, prefsPath, sizeof prefsPath);
  if (prefsPath[0]) readPrefsProxySettings(prefsPath, settings);
}

void readNetscape4ProxySettings(const char* userAgent, Settings* settings) {
  char users[kPathCapacity];
  char prefsPath[kPathCapacity];
  if (findNetscape4UsersDirectory(userAgent, users) && findUsersPrefsFile(users, prefsPath))
    readPrefsProxySettings(prefsPath, settings);
}

}  // namespace

void readRegistryProxySettings(HKEY root, Settings* settings) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, kNetscape3Key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  const ScopedRegistryKey key(opened);
  readNetscape3Values(key.get(), settings);
}

void readPrefsProxySettings(const char* prefsPath, Settings* settings) {
  const ScopedFileHandle file(openPrefsFile(prefsPath));
  if (!file) return;
  char line[kPrefsLineBufferSize] = {};
  char carry[kPrefsLineBufferSize] = {};
  while (readPrefsLine(file.get(), line, sizeof line, carry, sizeof carry) > 0) {
    normalizePrefsLine(line);
    if (!applyPrefsLine(line, settings)) {
      // A value without its closing quote makes the whole file untrustworthy.
      settings->kind = Settings::NONE;
      break;
    }
  }
}

bool findUsersPrefsFile(const char* directory, char* out) {
  char path[kPathCapacity];
  char candidate[kPathCapacity];
  ULONGLONG best = 0;
  out[0] = '\0';
  if (!joinPath(path, kPathCapacity, directory, "*.*")) return false;
  WIN32_FIND_DATAA entry;
  const ScopedFindHandle search(FindFirstFileA(path, &entry));
  if (!search) return false;
  do {
    if (!isPlainSubdirectory(entry)) continue;
    const char* name = entry.cAlternateFileName[0] ? entry.cAlternateFileName : entry.cFileName;
    if (!joinPath(candidate, kPathCapacity, directory, name) || !appendWhole(candidate, sizeof candidate, "\\prefs.js")) continue;
    ULONGLONG accessed = 0;
    if (readLastAccessTime(candidate, &accessed) && accessed > best) {
      best = accessed;
      copyCut(out, kPathCapacity, candidate);
    }
  } while (FindNextFileA(search.get(), &entry));
  return out[0] != '\0';
}

void getBrowserProxySettings(const char* userAgent, Settings* settings) {
  std::memset(settings, 0, sizeof *settings);
  switch (classifyUserAgent(userAgent)) {
    case BrowserFamily::Firefox:
      readProfileProxySettings(ProfileFamily::Firefox, settings);
      break;
    case BrowserFamily::Mozilla:
      readProfileProxySettings(ProfileFamily::Mozilla, settings);
      break;
    case BrowserFamily::Netscape4:
      readNetscape4ProxySettings(userAgent, settings);
      break;
    case BrowserFamily::Netscape3:
      readRegistryProxySettings(HKEY_CURRENT_USER, settings);
      if (settings->kind == Settings::NONE) {
        std::memset(settings, 0, sizeof *settings);
        readRegistryProxySettings(HKEY_LOCAL_MACHINE, settings);
      }
      break;
    default:
      break;
  }
  if (settings->kind != Settings::NONE) normalizeBypassList(settings->bypassList);
}
