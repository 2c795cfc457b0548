// URL opening with cookie, authentication dialogs, status check and the failure's report.
#include "net/url_open.h"

#include <cstdio>
#include <new>
#include <string>

#include "base/host_services.h"
#include "log/install_log.h"
#include "net/http_error_message.h"
#include "net/prefs_text.h"
#include "net/request_timeouts.h"
#include "net/url_parts.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

constexpr int kMaxOpenAttempts = 5;
// Redirects are followed here rather than by WinInet, which follows a loop without end.
constexpr int kMostRedirects = 10;
constexpr DWORD kAuthenticateProbeSize = 2048;
constexpr DWORD kStatusTextSize = 1024;
// The error dialog chooses the dialog from the status and stores what the user typed.
constexpr DWORD kCredentialDialogFlags =
    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

// Every request goes to the server and nothing is kept in the browser's cache: a cached
// configuration file or package list would keep users on an old release, and a cached
// package is a second copy of bytes that already go to the work directory.
DWORD openFlags(const char* url) {
  DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                INTERNET_FLAG_NO_CACHE_WRITE;
  if (startsWithIgnoringCase(url, "https://")) flags |= INTERNET_FLAG_SECURE;
  return flags;
}

// Whether the answer carries the challenge header. A header longer than the probe is
// still a challenge.
bool answerCarries(HINTERNET request, DWORD header) {
  char probe[kAuthenticateProbeSize];
  DWORD size = sizeof probe;
  DWORD index = 0;
  if (HttpQueryInfoA(request, header, probe, &size, &index)) return true;
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// Lets the user answer a proxy challenge, then a server challenge. True when the user
// asked for the request to be sent again.
bool userAsksToRetry(HWND owner, HINTERNET request) {
  bool retry = false;
  const DWORD challenges[] = {HTTP_QUERY_PROXY_AUTHENTICATE, HTTP_QUERY_WWW_AUTHENTICATE};
  for (DWORD header : challenges) {
    if (answerCarries(request, header) &&
        InternetErrorDlg(owner, request, ERROR_INTERNET_INCORRECT_PASSWORD, kCredentialDialogFlags, nullptr) ==
            ERROR_INTERNET_FORCE_RETRY)
      retry = true;
  }
  return retry;
}

// One InternetOpenUrlA, which waits for the answer's header. The job keeps its own copies
// of the texts and the timeouts, which the call may still read after the worker has
// walked away.
class COpenJob : public CSessionJob {
 public:
  COpenJob(const CRunContext& plugin, const char* url, const char* headers, DWORD flags)
      : CSessionJob(plugin),
        m_session(plugin.m_internet),
        m_url(url),
        m_headers(headers),
        m_flags(flags),
        m_timeouts(downloadTimeouts(plugin.m_limits)) {}
  HINTERNET request() const { return m_request; }
  DWORD error() const { return m_error; }

 protected:
  void runStep() override {
    m_request = InternetOpenUrlA(m_session, m_url.c_str(), m_headers.c_str(), static_cast<DWORD>(-1), m_flags,
                                 timedRequestContext(&m_timeouts));
    m_error = m_request ? 0 : GetLastError();
  }
  void releaseAbandoned() override {
    if (m_request) InternetCloseHandle(m_request);
  }

 private:
  HINTERNET m_session;
  std::string m_url;
  std::string m_headers;
  DWORD m_flags;
  RequestTimeouts m_timeouts;
  HINTERNET m_request = nullptr;
  DWORD m_error = 0;
};

// The request, or null with the call's error as the last error; null as well when the
// page was left meanwhile.
HINTERNET openOnce(CRunContext* plugin, const char* url, const char* headers, DWORD flags) {
  auto* job = new (std::nothrow) COpenJob(*plugin, url, headers, flags);
  if (!job) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (runSessionJob(*plugin, job) == JobEnd::kAbandoned) return nullptr;
  const HINTERNET request = job->request();
  const DWORD error = job->error();
  const uint32_t fault = job->faultCode();
  delete job;
  if (fault && request) InternetCloseHandle(request);
  raiseCaughtFault(fault);
  SetLastError(error);
  return request;
}

// The sign-on cookie goes with the URL the page gave only (withCookie): set for each
// address a redirect names, it would hand the operator's token to any host.
HINTERNET openWithRetries(CRunContext* plugin, const char* url, const char* headers, DWORD* lastError,
                          bool withCookie) {
  const char* cookie = withCookie ? plugin->m_page.siteMinderHeader : nullptr;
  const DWORD flags = openFlags(url);
  for (int attempt = 0; attempt < kMaxOpenAttempts && !runCancelled(*plugin); ++attempt) {
    if (cookie) InternetSetCookieA(url, "SMSESSION", cookie);
    const DWORD started = GetTickCount();
    HINTERNET request = openOnce(plugin, url, headers, flags);
    // A server that took the whole timeout to say nothing is not asked again: each
    // attempt would cost the same wait. Some systems report that timeout as an aborted
    // connection, so the time it took tells as well.
    if (!request &&
        (GetLastError() == ERROR_INTERNET_TIMEOUT ||
         GetTickCount() - started >= downloadTimeouts(plugin->m_limits).receiveMs)) {
      *lastError = GetLastError();
      return nullptr;
    }
    if (!request) {
      *lastError = GetLastError();
      continue;
    }
    if (!userAsksToRetry(pluginOwnerWindow(plugin), request)) return request;
    if (InternetCloseHandle(request) != TRUE) *lastError = GetLastError();
  }
  return nullptr;
}

bool isRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The URL an answer sends the request on to, resolved against the URL it answered, in a
// new block; null when the answer names none.
char* redirectTarget(HINTERNET request, const char* url) {
  DWORD size = 0;
  if (HttpQueryInfoA(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return nullptr;
  char* location = static_cast<char*>(NPN_MemAlloc(size + 1));
  if (!location) return nullptr;
  char* target = nullptr;
  if (HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) {
    location[size] = '\0';
    DWORD length = 0;
    InternetCombineUrlA(url, location, nullptr, &length, ICU_NO_ENCODE);
    if (length > 0) target = static_cast<char*>(NPN_MemAlloc(length + 1));
    if (target && !InternetCombineUrlA(url, location, target, &length, ICU_NO_ENCODE)) {
      NPN_MemFree(target);
      target = nullptr;
    }
  }
  NPN_MemFree(location);
  return target;
}

// The host a URL names, for the log: the whole URL may carry a token.
void hostOf(const char* url, char* host, size_t size) {
  UrlParts parts = {};
  std::snprintf(host, size, "%s", splitUrl(url, parts) ? parts.host : "(none)");
}

// Why a redirect may not be followed, as its log line says, or null when it may: one
// from https to anything else would fetch the file in clear, and one to anything but
// http or https (a local file, a share) would read from this machine or its network
// instead of the server. The open then fails with the redirecting answer.
const char* redirectRefusal(const char* from, const char* to) {
  if (startsWithIgnoringCase(from, "https://") && !startsWithIgnoringCase(to, "https://"))
    return "Redirect refused: it leaves https";
  if (!startsWithIgnoringCase(to, "http://") && !startsWithIgnoringCase(to, "https://"))
    return "Redirect refused: it leaves http and https";
  return nullptr;
}

void logRedirect(const char* prefix, DWORD status, const char* target) {
  char host[kUrlPartSize];
  hostOf(target, host, sizeof host);
  char line[sizeof host + 64];
  std::snprintf(line, sizeof line, "%s (%lu) to host %s", prefix, static_cast<unsigned long>(status), host);
  logLine(line);
}

// The user learns why through the run's notice, with the answer's own status text.
void reportOpenFailure(const CRunContext& plugin, HINTERNET request, DWORD status) {
  if (!plugin.m_openFailureNotice) return;
  char statusText[kStatusTextSize] = {};
  DWORD size = sizeof statusText - 1;
  if (request) HttpQueryInfoA(request, HTTP_QUERY_STATUS_TEXT, statusText, &size, nullptr);
  char message[kHttpErrorMessageSize];
  composeHttpErrorMessage(plugin.m_page.installErrorHttp, statusText, status, message, sizeof message);
  plugin.m_openFailureNotice(plugin, message);
}

}  // namespace

DWORD statusCodeOf(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!request || !HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    return 0;
  return status;
}

HINTERNET OpenURL(CRunContext* plugin, const char* url, const char* headers, DWORD* lastError, bool showFailure) {
  *lastError = 0;
  HINTERNET request = openWithRetries(plugin, url, headers, lastError, true);
  char* current = nullptr;
  // Past the last redirect allowed, the redirect's own answer is the failure shown.
  for (int redirects = 0; redirects < kMostRedirects && request && isRedirect(statusCodeOf(request)); ++redirects) {
    const char* from = current ? current : url;
    char* next = redirectTarget(request, from);
    if (!next) break;
    if (const char* refusal = redirectRefusal(from, next)) {
      logRedirect(refusal, statusCodeOf(request), next);
      NPN_MemFree(next);
      break;
    }
    logRedirect("Redirect", statusCodeOf(request), next);
    InternetCloseHandle(request);
    NPN_MemFree(current);
    current = next;
    request = openWithRetries(plugin, current, headers, lastError, false);
  }
  NPN_MemFree(current);
  const DWORD status = statusCodeOf(request);
  if (request && status >= 200 && status <= 299) return request;
  // A page that has been left is not told why its download failed.
  if (showFailure && !runCancelled(*plugin)) reportOpenFailure(*plugin, request, status);
  if (request) InternetCloseHandle(request);
  return nullptr;
}
