// The upload request: HTTP/1.0 POST of the body, UTF-8 where the system converts, with
// the browser's languages and the body's type and length as headers.
#include "report/log_post.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/scoped_internet_handle.h"
#include "base/string_copy.h"
#include "base/text_conversion.h"
#include "log/CTextBuffer.h"
#include "net/accept_language.h"
#include "net/request_timeouts.h"
#include "net/url_parts.h"
#include "plugin/run_context.h"

namespace {

constexpr char kAsciiType[] = "text/html; charset=us-ascii";
constexpr char kUtf8Type[] = "text/html; charset=utf-8";
// Certificates are checked as for every other request of the plug-in: the body carries
// the user's paths and machine details, which must reach the operator's server alone.
constexpr DWORD kHttpFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kHttpsFlags = kHttpFlags | INTERNET_FLAG_SECURE;

DWORD serviceFor(INTERNET_SCHEME scheme) {
  if (scheme == INTERNET_SCHEME_FTP) return INTERNET_SERVICE_FTP;
  if (scheme == INTERNET_SCHEME_GOPHER) return INTERNET_SERVICE_GOPHER;
  return INTERNET_SERVICE_HTTP;
}

// The body and its type: the text in UTF-8 where the system converts it, else as it is.
struct Body {
  char* bytes;
  DWORD length;
  const char* type;
};

Body makeBody(const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  if (systemConvertsUtf8()) {
    int utf8Length = 0;
    if (char* utf8 = convertAnsiToUtf8(text, length, &utf8Length))
      return {utf8, static_cast<DWORD>(utf8Length), kUtf8Type};
  }
  char* copy = copyString(text);
  return {copy, copy ? static_cast<DWORD>(length) : 0, kAsciiType};
}

bool sendRequest(CRunContext& instance, HINTERNET request, const char* text) {
  const Body body = makeBody(text);
  const ScopedBlock<char> bytes(body.bytes);
  if (!bytes) return false;
  const ScopedBlock<char> languages(getAcceptLanguageHeader(NPN_UserAgent(instance.m_npp)));
  CTextBuffer headers;
  if (languages) headers.append(languages.get()).append("\r\n");
  headers.append("Connection: Keep-Alive\r\n");
  headers.append("Content-Type: ").append(body.type).append("\r\n");
  headers.append("Content-Length: ").appendUnsigned(body.length).append("\r\n");
  return HttpSendRequestA(request, headers.text(), static_cast<DWORD>(headers.length()), bytes.get(), body.length) !=
         FALSE;
}

}  // namespace

bool hasInstallLogUrl(const CRunContext& instance) {
  const char* url = instance.m_page.installLogUrl;
  return url && *url;
}

bool postLogText(CRunContext& instance, const char* text) {
  if (!hasInstallLogUrl(instance) || !text || !instance.m_internet) return false;
  const char* url = instance.m_page.installLogUrl;
  UrlParts parts = {};
  if (!splitUrl(url, parts)) return false;
  // An empty user name would still be sent as a name; without one there is none.
  const ScopedInternetHandle connection(InternetConnectA(instance.m_internet, parts.host, parts.port,
                                                        parts.user[0] ? parts.user : nullptr,
                                                        parts.password[0] ? parts.password : nullptr,
                                                        serviceFor(parts.scheme), 0, 0));
  if (!connection) return false;
  const DWORD flags = parts.scheme == INTERNET_SCHEME_HTTPS ? kHttpsFlags : kHttpFlags;
  // Declared after the connection, so that it is closed first.
  const ScopedInternetHandle request(
      HttpOpenRequestA(connection.get(), "POST", parts.path, "HTTP/1.0", nullptr, nullptr, flags, 0));
  if (!request) return false;
  setRequestTimeouts(request.get(), kLogUploadTimeouts);
  return sendRequest(instance, request.get(), text);
}
