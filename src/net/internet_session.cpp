// Opening a session with the browser's proxy.
#include "net/internet_session.h"

#include <cstdio>

#include "base/bounded_text.h"
#include "log/install_log.h"
#include "net/browser_proxy.h"
#include "net/prefs_text.h"
#include "net/request_timeouts.h"

namespace {

constexpr size_t kProxyTextBufferSize = 128;
// Each entry may gain a separator and a wildcard.
constexpr size_t kBypassBufferSize = 2 * kProxyTextSize;
constexpr size_t kPacMessageSize = 1024;

HINTERNET openWithSystemSettings(const char* userAgent) {
  return InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

// The proxy serves the http scheme only; https goes the system's way. A host too long for
// the proxy text is refused and the system's settings are used instead. The hosts the
// browser reaches directly are reached directly here too.
HINTERNET openWithManualProxy(const char* userAgent, const BrowserProxySettings& settings) {
  char proxy[kProxyTextBufferSize];
  const int length = std::snprintf(proxy, sizeof proxy, "http=http://%s:%d", settings.host, settings.port);
  if (length < 0 || static_cast<size_t>(length) >= sizeof proxy) return openWithSystemSettings(userAgent);
  char bypass[kBypassBufferSize];
  toSystemBypassList(settings.bypassList, bypass, sizeof bypass);
  return InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PROXY, proxy, *bypass ? bypass : nullptr, 0);
}

void logPacFailure(const char* url) {
  char message[kPacMessageSize];
  copyCut(message, sizeof message, "NetscapeInternetOpen: InternetSetOption failed to set the PAC file to ");
  appendCut(message, sizeof message, url);
  appendCut(message, sizeof message, ".  IE settings are being used.");
  logLine(message);
}

// The script's URL goes onto the session's LAN settings; when it cannot be set the
// session keeps the system's settings.
HINTERNET openWithAutoConfig(const char* userAgent, BrowserProxySettings& settings) {
  HINTERNET session = openWithSystemSettings(userAgent);
  if (!session) return nullptr;
  INTERNET_PER_CONN_OPTIONA options[2] = {};
  options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  options[0].Value.pszValue = settings.autoConfigUrl;
  options[1].dwOption = INTERNET_PER_CONN_FLAGS;
  options[1].Value.dwValue = PROXY_TYPE_AUTO_PROXY_URL;
  INTERNET_PER_CONN_OPTION_LISTA list = {sizeof list, nullptr, 2, 0, options};
  if (!InternetSetOptionA(session, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list))
    logPacFailure(settings.autoConfigUrl);
  return session;
}

HINTERNET openSession(const char* userAgent) {
  BrowserProxySettings settings;
  getBrowserProxySettings(userAgent, &settings);
  switch (settings.kind) {
    case BrowserProxySettings::MANUAL:
      return openWithManualProxy(userAgent, settings);
    case BrowserProxySettings::AUTO:
      return openWithAutoConfig(userAgent, settings);
    default:
      return openWithSystemSettings(userAgent);
  }
}

}  // namespace

HINTERNET NetscapeInternetOpen(const char* userAgent) {
  HINTERNET session = openSession(userAgent);
  // Every request of the instance is made through this session and takes its timeouts.
  if (session) timeNewHandles(session);
  return session;
}
