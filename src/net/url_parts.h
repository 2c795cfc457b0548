// A URL's parts as the internet library splits them, each in a buffer of its own.
#pragma once

#include <windows.h>
#include <wininet.h>

constexpr DWORD kUrlPartSize = 128;
constexpr DWORD kUrlPathSize = 256;

struct UrlParts {
  char host[kUrlPartSize];
  char user[kUrlPartSize];
  char password[kUrlPartSize];
  char path[kUrlPathSize];
  INTERNET_PORT port;
  INTERNET_SCHEME scheme;
};

// Splits url into parts; false when the library cannot split it or a part does not fit
// its buffer.
bool splitUrl(const char* url, UrlParts& parts);
