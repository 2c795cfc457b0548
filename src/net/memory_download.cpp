// downloadIntoMemory: one URL's body read whole on a session job.
#include "net/memory_download.h"

#include <windows.h>
#include <wininet.h>

#include <new>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/declared_length.h"
#include "net/session_job.h"
#include "net/transfer.h"
#include "net/url_open.h"

namespace {

constexpr DWORD kReadSize = 16384;

// Reads the whole body into memory of its own, not the browser's: after the page has
// been left, the job may still be waiting for the server and must not touch the browser.
class CBodyJob : public CSessionJob {
 public:
  CBodyJob(const Transfer& transfer, HINTERNET request, size_t mostBytes)
      : CSessionJob(transfer.control), m_request(request), m_mostBytes(mostBytes) {}

  MemoryDownloadEnd end() const { return m_end; }
  DWORD errorCode() const { return m_errorCode; }
  std::string& body() { return m_body; }

 protected:
  void runStep() override {
    try {
      readAll();
    } catch (const std::bad_alloc&) {
      m_end = MemoryDownloadEnd::kNoMemory;
    }
  }
  void releaseAbandoned() override { InternetCloseHandle(m_request); }

 private:
  void readAll() {
    // A body that ends before its declared length was cut off by the connection: half a
    // text would read as another one.
    DWORD declared = 0;
    const bool hasLength = declaredLength(m_request, &declared);
    char chunk[kReadSize];
    while (!abandoned()) {
      DWORD got = 0;
      if (!InternetReadFile(m_request, chunk, sizeof chunk, &got)) {
        m_errorCode = GetLastError();
        m_end = MemoryDownloadEnd::kReadFailed;
        return;
      }
      if (got == 0) {
        if (hasLength && m_body.size() < declared) {
          m_errorCode = ERROR_INTERNET_CONNECTION_ABORTED;
          m_end = MemoryDownloadEnd::kReadFailed;
        }
        return;
      }
      if (got > m_mostBytes - m_body.size()) {
        m_end = MemoryDownloadEnd::kTooLarge;
        return;
      }
      m_body.append(chunk, got);
    }
  }

  HINTERNET m_request;
  size_t m_mostBytes;
  std::string m_body;
  MemoryDownloadEnd m_end = MemoryDownloadEnd::kWhole;
  DWORD m_errorCode = 0;
};

// The body into body on a job; kCancelled when the page was left meanwhile, in which
// case the request went with the job (requestKept false); kFault after a fault's report.
MemoryDownloadEnd readBody(const Transfer& transfer, HINTERNET request, size_t mostBytes, std::string& body,
                           bool* requestKept) {
  auto* job = new (std::nothrow) CBodyJob(transfer, request, mostBytes);
  *requestKept = true;
  if (!job) return MemoryDownloadEnd::kNoMemory;
  const auto done = takeBackJob(runSessionJob(transfer.control, job), job);
  *requestKept = static_cast<bool>(done);
  if (!done) return MemoryDownloadEnd::kCancelled;
  if (done->reportFault(transfer.instance)) return MemoryDownloadEnd::kFault;
  const MemoryDownloadEnd end = done->end();
  if (end == MemoryDownloadEnd::kReadFailed) {
    auto lock = lockInstallLog();
    logText("InternetReadFile failed.  Error code: ");
    logUnsignedLine(done->errorCode());
  }
  // Taken over without a copy: the body may be tens of MiB.
  if (end == MemoryDownloadEnd::kWhole) body.swap(done->body());
  return end;
}

// The outcome of a memory download that ended so.
DownloadResult codeOf(MemoryDownloadEnd end) {
  switch (end) {
    case MemoryDownloadEnd::kWhole: return kDownloadOk;
    case MemoryDownloadEnd::kNotOpened: return kDownloadNoUrl;
    case MemoryDownloadEnd::kCancelled: return kDownloadCancelled;
    case MemoryDownloadEnd::kFault: return kDownloadFault;
    default: return kDownloadReadFailed;
  }
}

MemoryDownload endedWith(MemoryDownloadEnd end, const StepOutcome& outcome) {
  MemoryDownload ended;
  static_cast<StepOutcome&>(ended) = outcome;
  ended.code = codeOf(end);
  ended.end = end;
  return ended;
}

}  // namespace

MemoryDownload downloadIntoMemory(const Transfer& transfer, const char* url, size_t mostBytes, const char* traceName,
                                  std::string& body) {
  std::string().swap(body);
  // Owned blocks live outside the guarded body, so that a fault leaves none behind.
  ScopedBlock<char> header;
  MemoryDownloadEnd end = MemoryDownloadEnd::kFault;
  StepOutcome failure;
  runGuarded(transfer.instance, traceName, [&] {
    header.reset(getAcceptLanguageHeader(transfer.userAgent));
    OpenedUrl opened = OpenURL(transfer, url, header.get());
    failure = opened.outcome;
    // Closed by hand, so that a failure to close is logged; it goes with the job when the
    // page is left.
    const HINTERNET request = opened.request.release();
    if (!request) {
      end = failure.code == kDownloadCancelled ? MemoryDownloadEnd::kCancelled
            : failure.code == kDownloadFault   ? MemoryDownloadEnd::kFault
                                               : MemoryDownloadEnd::kNotOpened;
      return;
    }
    bool requestKept = false;
    end = readBody(transfer, request, mostBytes, body, &requestKept);
    if (requestKept && !InternetCloseHandle(request)) {
      auto lock = lockInstallLog();
      logText("InternetCloseHandle failed in ");
      logText(traceName);
      logText(".  rc: ");
      logUnsignedLine(GetLastError());
    }
  });
  return endedWith(end, failure);
}
