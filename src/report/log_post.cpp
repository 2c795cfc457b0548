// The upload request: HTTP/1.0 POST of the body, UTF-8 where the system converts, with
// the browser's languages and the body's type and length as headers. The exchange runs on
// a job's thread: the request timeouts end only silences, and a receiver that answers
// without end would otherwise hold the browser's thread for ever. The internet library
// reports when it has written the request, body and all, before it waits for the answer:
// from then on the upload counts as delivered, whatever the answer, and a caller that
// waits only for the body is let go. Without the worker's session (the page was left
// during the profile search, or no worker ran) the job opens one of its own.
#include "report/log_post.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/scoped_internet_handle.h"
#include "base/string_copy.h"
#include "base/text_conversion.h"
#include "log/CTextBuffer.h"
#include "log/install_log.h"
#include "net/accept_language.h"
#include "net/internet_session.h"
#include "net/request_timeouts.h"
#include "net/session_job.h"
#include "net/url_parts.h"

namespace {

constexpr char kAsciiType[] = "text/html; charset=us-ascii";
constexpr char kUtf8Type[] = "text/html; charset=utf-8";
// Certificates are checked as for every other request of the plug-in: the body carries
// the user's paths and machine details, which must reach the operator's server alone.
// Nothing of the exchange goes to the browser's cache: WinInet would otherwise keep an
// entry for the receiver's URL with its answer, empty as it usually is.
constexpr DWORD kHttpFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kHttpsFlags = kHttpFlags | INTERNET_FLAG_SECURE;
// The receiver's answer is read up to this much and dropped: an acknowledgement fits many
// times over and is read to its end, so that closing the request finds nothing left to
// read. A longer answer is cut here.
constexpr DWORD kMostAnswerBytes = 64 * 1024;
constexpr DWORD kAnswerChunkBytes = 4096;

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

// The extra header lines, in the order the receiver gets them.
void appendHeaders(const LogUploadInputs& upload, const Body& body, CTextBuffer& headers) {
  const ScopedBlock<char> languages(getAcceptLanguageHeader(upload.userAgent));
  if (languages) headers.append(languages.get()).append("\r\n");
  headers.append("Connection: Keep-Alive\r\n");
  headers.append("Content-Type: ").append(body.type).append("\r\n");
  headers.append("Content-Length: ").appendUnsigned(body.length).append("\r\n");
}

// length bytes of text in a block of the job's own, NUL added. Not the browser's
// allocator: a job the caller walked away from frees it after the instance, and maybe the
// browser's function table, are gone.
std::unique_ptr<char[]> ownCopy(const char* text, DWORD length) {
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (copy) {
    std::memcpy(copy.get(), text, length);
    copy[length] = '\0';
  }
  return copy;
}

// The whole exchange, from connecting to closing, with the URL's parts, the headers and
// the body of its own: a caller that walked away leaves the job nothing to share. It
// settles the portion it carries as soon as the body went or failed. Its handles are made
// and closed on the job's thread, or closed by whoever deletes the job when a fault cut
// the step short.
class CPostJob : public CSessionJob {
 public:
  CPostJob(const LogUploadInputs& upload, const UrlParts& parts, const CInstallLogPortion& portion)
      : CSessionJob(upload.control),
        m_session(upload.session),
        m_userAgent(upload.userAgent ? upload.userAgent : ""),
        m_parts(parts),
        m_portion(portion),
        m_started(GetTickCount()) {}
  // A step that a fault cut short, or that never ran, delivered nothing.
  ~CPostJob() override { m_portion.settle(false); }

  // False when there is no room for the copies.
  bool takeCopies(const CTextBuffer& headers, const Body& body) {
    m_headersLength = static_cast<DWORD>(headers.length());
    m_headers = ownCopy(headers.text(), m_headersLength);
    m_bodyLength = body.length;
    m_body = ownCopy(body.bytes, m_bodyLength);
    return m_headers && m_body;
  }
  // The job carries the log's portion from now on.
  void carry() { m_portion.beginUpload(); }

 protected:
  void runStep() override {
    if (!m_session) {
      m_ownSession.reset(NetscapeInternetOpen(m_userAgent.c_str()));
      m_session = m_ownSession.get();
    }
    if (m_session) openRequest();
    if (m_request) {
      setRequestTimeouts(m_request.get(), kLogUploadTimeouts);
      // The library calls back with the job as the request's context.
      InternetSetStatusCallbackA(m_request.get(), onRequestStatus);
      const bool answered =
          HttpSendRequestA(m_request.get(), m_headers.get(), m_headersLength, m_body.get(), m_bodyLength) != FALSE;
      if (answered) readAnswer();
    }
    // A request that never went out settles here; one that did settled when it went.
    m_portion.settle(false);
    closeExchange();
  }
  void releaseAbandoned() override { closeExchange(); }

 private:
  // The first report of a request written whole settles the portion: the receiver has
  // the body, whether it then answers in time, late or not at all. A sign-on the URL's
  // credentials answer sends the request once more; the portion is settled by then.
  static void CALLBACK onRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    if (status == INTERNET_STATUS_REQUEST_SENT) reinterpret_cast<CPostJob*>(context)->m_portion.settle(true);
  }
  void openRequest() {
    // An empty user name would still be sent as a name; without one there is none.
    m_connection.reset(InternetConnectA(m_session, m_parts.host, m_parts.port, m_parts.user[0] ? m_parts.user : nullptr,
                                        m_parts.password[0] ? m_parts.password : nullptr,
                                        serviceFor(m_parts.scheme), 0, 0));
    const DWORD flags = m_parts.scheme == INTERNET_SCHEME_HTTPS ? kHttpsFlags : kHttpFlags;
    if (m_connection)
      m_request.reset(HttpOpenRequestA(m_connection.get(), "POST", m_parts.path, "HTTP/1.0", nullptr, nullptr, flags,
                                       reinterpret_cast<DWORD_PTR>(this)));
  }
  // Read to its end, kMostAnswerBytes or the upload's limit, whichever comes first.
  void readAnswer() {
    DWORD total = 0;
    while (total < kMostAnswerBytes && GetTickCount() - m_started < kLogUploadLimitMs) {
      DWORD wanted = sizeof m_answer;
      if (kMostAnswerBytes - total < wanted) wanted = kMostAnswerBytes - total;
      DWORD got = 0;
      if (!InternetReadFile(m_request.get(), m_answer, wanted, &got) || got == 0) return;
      total += got;
    }
  }
  // The request before its connection, the job's own session last. Under Wine, closing a
  // request whose answer was not read to its end first reads what has arrived of the rest:
  // against a receiver that sends without end, faster than it is read, that close does
  // not end.
  void closeExchange() {
    if (m_request) InternetSetStatusCallbackA(m_request.get(), nullptr);
    m_request.reset();
    m_connection.reset();
    m_ownSession.reset();
    m_session = nullptr;
  }

  // The worker's, kept open by the job's hold on the run's control, or m_ownSession.
  HINTERNET m_session;
  std::string m_userAgent;
  UrlParts m_parts;
  CInstallLogPortion m_portion;
  DWORD m_started;
  std::unique_ptr<char[]> m_headers;
  DWORD m_headersLength = 0;
  std::unique_ptr<char[]> m_body;
  DWORD m_bodyLength = 0;
  // Closed in the reverse order: the request, its connection, then the job's own session.
  ScopedInternetHandle m_ownSession;
  ScopedInternetHandle m_connection;
  ScopedInternetHandle m_request;
  char m_answer[kAnswerChunkBytes];
};

// The job with its copies made on this thread, which may still ask the browser (for its
// languages and its memory); null without room.
CPostJob* makePostJob(const LogUploadInputs& upload, const UrlParts& parts, const char* text,
                      const CInstallLogPortion& portion) {
  const Body body = makeBody(text);
  const ScopedBlock<char> bytes(body.bytes);
  if (!bytes) return nullptr;
  CTextBuffer headers;
  appendHeaders(upload, body, headers);
  std::unique_ptr<CPostJob> job(new (std::nothrow) CPostJob(upload, parts, portion));
  if (job && !job->takeCopies(headers, body)) job.reset();
  return job.release();
}

}  // namespace

bool postLogText(const LogUploadInputs& upload, const char* text, CInstallLogPortion& portion, LogSendWait wait) {
  if (!upload.url || !*upload.url || !text) return false;
  UrlParts parts = {};
  if (!splitUrl(upload.url, parts)) return false;
  CPostJob* job = makePostJob(upload, parts, text, portion);
  if (!job) return false;
  job->carry();
  // Left at the wait's end, or once the body went when the caller does not wait for the
  // answer, the job goes on and frees what it holds on its own thread.
  const HANDLE until = wait.forAnswer ? nullptr : static_cast<HANDLE>(CInstallLogPortion::settledEvent());
  const auto done = takeBackJob(runSessionJobWithin(upload.control, job, until, wait.ms), job);
  if (done) done->reportFault(upload.instance);
  return true;
}
