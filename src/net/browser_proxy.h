// The proxy that the browser itself is set to use, read from the browser family's own
// configuration: Firefox and Mozilla prefs.js, the Netscape 4.x user's prefs.js found
// through the registry, or the Netscape 3.x registry values. Read once per instance on
// the browser's thread; local buffers only.
#pragma once

#include <windows.h>

constexpr int kProxyTextSize = 1024;

struct BrowserProxySettings {
  enum Kind {
    NONE = 0,    // nothing usable: the system's settings apply
    MANUAL = 1,  // an HTTP proxy host and port
    AUTO = 2,    // a proxy configuration script's URL
  };

  int kind;
  char host[kProxyTextSize];
  int port;
  char autoConfigUrl[kProxyTextSize];
  char bypassList[kProxyTextSize];  // "|"-separated host list
};

void getBrowserProxySettings(const char* userAgent, BrowserProxySettings* settings);

// The readers behind it, each filling settings from one source.
void readRegistryProxySettings(HKEY root, BrowserProxySettings* settings);
void readPrefsProxySettings(const char* prefsPath, BrowserProxySettings* settings);

// The prefs.js read most recently among the user folders below a Netscape 4.x "Users"
// folder, into out (260 bytes); false when there is none.
bool findUsersPrefsFile(const char* directory, char* out);
