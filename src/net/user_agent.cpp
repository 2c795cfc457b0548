// User-agent classification and the Netscape 4.x version text.
#include "net/user_agent.h"

#include <cstring>

BrowserFamily classifyUserAgent(const char* userAgent) {
  if (!userAgent) return BrowserFamily::NoVersion;
  if (std::strstr(userAgent, "Firefox")) return BrowserFamily::Firefox;
  const char* slash = std::strchr(userAgent, '/');
  if (!slash) return BrowserFamily::NoVersion;
  const unsigned char version = static_cast<unsigned char>(slash[1]);
  if (version == '3') return BrowserFamily::Netscape3;
  if (version == '4') return BrowserFamily::Netscape4;
  if (version >= '5' && version <= 127) return BrowserFamily::Mozilla;
  return BrowserFamily::Other;
}

void netscapeVersionText(const char* userAgent, char* out, size_t outSize) {
  out[0] = '\0';
  const char* slash = userAgent ? std::strchr(userAgent, '/') : nullptr;
  if (!slash) return;
  size_t count = 0;
  for (const char* in = slash + 1; *in && *in != '\n' && *in != '(' && count < outSize - 1; ++in) {
    out[count++] = (*in == '[') ? '(' : (*in == ']') ? ')' : *in;
  }
  while (count > 0 && std::strchr(" \t\r\v\f", out[count - 1]))
    --count;
  out[count] = '\0';
}
