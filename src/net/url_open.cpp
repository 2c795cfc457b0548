// URL opening with cookie, authentication dialogs, status check and the failure's outcome.
#include "net/url_open.h"

#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/scoped_internet_handle.h"
#include "log/install_log.h"
#include "net/prefs_text.h"
#include "net/request_timeouts.h"
#include "net/session_job.h"
#include "net/url_parts.h"

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
  COpenJob(const Transfer& transfer, const char* url, const char* headers, DWORD flags)
      : CSessionJob(transfer.control),
        m_session(transfer.session),
        m_url(url),
        m_headers(headers),
        m_flags(flags),
        m_timeouts(downloadTimeouts(transfer.limits)) {}
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
// page was left meanwhile, or when a fault ended the call (*faulted, after its report).
HINTERNET openOnce(const Transfer& transfer, const char* url, const char* headers, DWORD flags, bool* faulted) {
  auto* job = new (std::nothrow) COpenJob(transfer, url, headers, flags);
  if (!job) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const auto done = takeBackJob(runSessionJob(transfer.control, job), job);
  if (!done) return nullptr;
  ScopedInternetHandle request(done->request());
  *faulted = done->reportFault(transfer.instance);
  if (*faulted) return nullptr;
  SetLastError(done->error());
  return request.release();
}

// The sign-on cookie goes with the URL the page gave only (withCookie): set for each
// address a redirect names, it would hand the operator's token to any host.
HINTERNET openWithRetries(const Transfer& transfer, const char* url, const char* headers, DWORD* lastError,
                          bool withCookie, bool* faulted) {
  const char* cookie = withCookie ? transfer.signOnCookie : nullptr;
  const DWORD flags = openFlags(url);
  for (int attempt = 0; attempt < kMaxOpenAttempts && !transferCancelled(transfer); ++attempt) {
    if (cookie) InternetSetCookieA(url, "SMSESSION", cookie);
    const DWORD started = GetTickCount();
    HINTERNET request = openOnce(transfer, url, headers, flags, faulted);
    if (*faulted) return nullptr;
    // A server that took the whole timeout to say nothing is not asked again: each
    // attempt would cost the same wait. Some systems report that timeout as an aborted
    // connection, so the time it took tells as well.
    if (!request &&
        (GetLastError() == ERROR_INTERNET_TIMEOUT ||
         GetTickCount() - started >= downloadTimeouts(transfer.limits).receiveMs)) {
      *lastError = GetLastError();
      return nullptr;
    }
    if (!request) {
      *lastError = GetLastError();
      continue;
    }
    if (!userAsksToRetry(transfer.dialogOwner, request)) return request;
    if (InternetCloseHandle(request) != TRUE) *lastError = GetLastError();
  }
  return nullptr;
}

bool isRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The URL an answer sends the request on to, resolved against the URL it answered; none
// when the answer names none.
ScopedBlock<char> redirectTarget(HINTERNET request, const char* url) {
  DWORD size = 0;
  if (HttpQueryInfoA(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return ScopedBlock<char>();
  const ScopedBlock<char> location(static_cast<char*>(NPN_MemAlloc(size + 1)));
  if (!location || !HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location.get(), &size, nullptr))
    return ScopedBlock<char>();
  location.get()[size] = '\0';
  DWORD length = 0;
  InternetCombineUrlA(url, location.get(), nullptr, &length, ICU_NO_ENCODE);
  ScopedBlock<char> target(length > 0 ? static_cast<char*>(NPN_MemAlloc(length + 1)) : nullptr);
  if (target && !InternetCombineUrlA(url, location.get(), target.get(), &length, ICU_NO_ENCODE)) target.reset();
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

// The failed open's outcome, with the answer's own status text for the user.
StepOutcome openFailure(HINTERNET request, DWORD status) {
  char statusText[kStatusTextSize] = {};
  DWORD size = sizeof statusText - 1;
  if (request) HttpQueryInfoA(request, HTTP_QUERY_STATUS_TEXT, statusText, &size, nullptr);
  return noticeOutcome(kDownloadNoUrl, OutcomeNotice::kServerStatus, status, statusText);
}

}  // namespace

DWORD statusCodeOf(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!request || !HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    return 0;
  return status;
}

OpenedUrl OpenURL(const Transfer& transfer, const char* url, const char* headers) {
  OpenedUrl opened;
  DWORD* lastError = &opened.lastError;
  bool faulted = false;
  ScopedInternetHandle& request = opened.request;
  request.reset(openWithRetries(transfer, url, headers, lastError, true, &faulted));
  ScopedBlock<char> current;
  // Past the last redirect allowed, the redirect's own answer is the failure shown.
  for (int redirects = 0; redirects < kMostRedirects && request && isRedirect(statusCodeOf(request.get()));
       ++redirects) {
    const char* from = current ? current.get() : url;
    ScopedBlock<char> next = redirectTarget(request.get(), from);
    if (!next) break;
    if (const char* refusal = redirectRefusal(from, next.get())) {
      logRedirect(refusal, statusCodeOf(request.get()), next.get());
      break;
    }
    logRedirect("Redirect", statusCodeOf(request.get()), next.get());
    request.reset();
    current = std::move(next);
    request.reset(openWithRetries(transfer, current.get(), headers, lastError, false, &faulted));
  }
  const DWORD status = statusCodeOf(request.get());
  if (request && status >= 200 && status <= 299) return opened;
  // A page that has been left is not told why its download failed.
  if (faulted) opened.outcome = outcomeOf(kDownloadFault);
  else if (transferCancelled(transfer)) opened.outcome = outcomeOf(kDownloadCancelled);
  else opened.outcome = openFailure(request.get(), status);
  request.reset();
  return opened;
}
