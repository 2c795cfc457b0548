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
#include "net/url_open.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

constexpr DWORD kReadSize = 16384;

// Reads the whole body into memory of its own, not the browser's: after the page has
// been left, the job may still be waiting for the server and must not touch the browser.
class CBodyJob : public CSessionJob {
 public:
  CBodyJob(const CRunContext& plugin, HINTERNET request, size_t mostBytes)
      : CSessionJob(plugin), m_request(request), m_mostBytes(mostBytes) {}

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
// case the request went with the job (requestKept false).
MemoryDownloadEnd readBody(CRunContext& plugin, HINTERNET request, size_t mostBytes, std::string& body,
                           bool* requestKept) {
  auto* job = new (std::nothrow) CBodyJob(plugin, request, mostBytes);
  *requestKept = !job || runSessionJob(plugin, job) == JobEnd::kDone;
  if (!job) return MemoryDownloadEnd::kNoMemory;
  if (!*requestKept) return MemoryDownloadEnd::kCancelled;
  if (const uint32_t fault = job->faultCode()) {
    delete job;
    raiseCaughtFault(fault);
  }
  const MemoryDownloadEnd end = job->end();
  if (end == MemoryDownloadEnd::kReadFailed) {
    auto lock = lockInstallLog();
    logText("InternetReadFile failed.  Error code: ");
    logUnsignedLine(job->errorCode());
  }
  // Taken over without a copy: the body may be tens of MiB.
  if (end == MemoryDownloadEnd::kWhole) body.swap(job->body());
  delete job;
  return end;
}

}  // namespace

MemoryDownloadEnd downloadIntoMemory(CRunContext& plugin, const char* url, size_t mostBytes, const char* traceName,
                                     std::string& body) {
  std::string().swap(body);
  // Owned blocks live outside the guarded body, so that a fault leaves none behind.
  ScopedBlock<char> header;
  MemoryDownloadEnd end = MemoryDownloadEnd::kFault;
  runGuarded(&plugin, traceName, [&] {
    header.reset(getAcceptLanguageHeader(NPN_UserAgent(plugin.m_npp)));
    DWORD closeError = 0;
    HINTERNET request = OpenURL(&plugin, url, header.get(), &closeError);
    if (!request) {
      end = runCancelled(plugin) ? MemoryDownloadEnd::kCancelled : MemoryDownloadEnd::kNotOpened;
      return;
    }
    bool requestKept = false;
    end = readBody(plugin, request, mostBytes, body, &requestKept);
    if (requestKept && !InternetCloseHandle(request)) {
      auto lock = lockInstallLog();
      logText("InternetCloseHandle failed in ");
      logText(traceName);
      logText(".  rc: ");
      logUnsignedLine(GetLastError());
    }
  });
  return end;
}
