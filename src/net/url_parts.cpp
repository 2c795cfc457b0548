// splitUrl.
#include "net/url_parts.h"

bool splitUrl(const char* url, UrlParts& parts) {
  URL_COMPONENTSA components = {};
  components.dwStructSize = sizeof components;
  components.lpszHostName = parts.host;
  components.dwHostNameLength = sizeof parts.host;
  components.lpszUserName = parts.user;
  components.dwUserNameLength = sizeof parts.user;
  components.lpszPassword = parts.password;
  components.dwPasswordLength = sizeof parts.password;
  components.lpszUrlPath = parts.path;
  components.dwUrlPathLength = sizeof parts.path;
  if (!InternetCrackUrlA(url, 0, 0, &components)) return false;
  parts.port = components.nPort;
  parts.scheme = components.nScheme;
  return true;
}
