// downloadPackageList: the package list into memory, converted to ANSI.
#include "download/download_package_list.h"

#include <new>
#include <string>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/text_conversion.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/url_open.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

constexpr DWORD kReadSize = 16384;
// A package list of a few hundred thousand lines takes some tens of MiB; a body beyond
// this is no package list, and reading on would only take the browser's memory.
constexpr size_t kMostListBytes = 64 * 1024 * 1024;

// The UTF-8 body as a NUL-terminated ANSI text in a new block; null without room.
char* utf8ToAnsi(const char* bytes, uint32 length) {
  if (length == 0) {
    char* empty = static_cast<char*>(NPN_MemAlloc(1));
    if (empty) *empty = '\0';
    return empty;
  }
  int ansiLength = 0;
  return convertToAnsi(CP_UTF8, bytes, static_cast<int>(length), &ansiLength);
}

// Reads the whole body into memory of its own, not the browser's: after the page has
// been left, the job may still be waiting for the server and must not touch the browser.
class CListBodyJob : public CSessionJob {
 public:
  CListBodyJob(const CRunContext& plugin, HINTERNET request) : CSessionJob(plugin), m_request(request) {}

  enum class Outcome { kWhole, kReadFailed, kTooLarge, kNoMemory };
  Outcome outcome() const { return m_outcome; }
  DWORD errorCode() const { return m_errorCode; }
  const std::string& body() const { return m_body; }

 protected:
  void runStep() override {
    try {
      readAll();
    } catch (const std::bad_alloc&) {
      m_outcome = Outcome::kNoMemory;
    }
  }
  void releaseAbandoned() override { InternetCloseHandle(m_request); }

 private:
  void readAll() {
    char chunk[kReadSize];
    while (!abandoned()) {
      DWORD got = 0;
      if (!InternetReadFile(m_request, chunk, sizeof chunk, &got)) {
        m_errorCode = GetLastError();
        m_outcome = Outcome::kReadFailed;
        return;
      }
      if (got == 0) return;
      if (got > kMostListBytes - m_body.size()) {
        m_outcome = Outcome::kTooLarge;
        return;
      }
      m_body.append(chunk, got);
    }
  }

  HINTERNET m_request;
  std::string m_body;
  Outcome m_outcome = Outcome::kWhole;
  DWORD m_errorCode = 0;
};

// The body's text in a new block, or null after a log line; null without one when the
// page was left meanwhile, in which case the request went with the job.
char* readBody(CRunContext& plugin, HINTERNET request, bool* requestKept) {
  auto* job = new (std::nothrow) CListBodyJob(plugin, request);
  *requestKept = !job || runSessionJob(plugin, job) == JobEnd::kDone;
  if (!job) logLine("downloadPackageList: no memory for the package list.");
  if (!job || !*requestKept) return nullptr;
  if (const uint32_t fault = job->faultCode()) {
    delete job;
    raiseCaughtFault(fault);
  }
  char* text = nullptr;
  switch (job->outcome()) {
    case CListBodyJob::Outcome::kReadFailed: {
      auto lock = lockInstallLog();
      logText("InternetReadFile failed.  Error code: ");
      logUnsignedLine(job->errorCode());
      break;
    }
    case CListBodyJob::Outcome::kTooLarge:
      logLine("downloadPackageList: the package list is larger than 64 MiB.");
      break;
    case CListBodyJob::Outcome::kNoMemory:
      logLine("downloadPackageList: no memory for the package list.");
      break;
    case CListBodyJob::Outcome::kWhole:
      text = utf8ToAnsi(job->body().data(), static_cast<uint32>(job->body().size()));
      if (!text) logLine("downloadPackageList: no memory for the package list.");
      break;
  }
  delete job;
  return text;
}

}  // namespace

char* downloadPackageList(CRunContext& plugin, const char* url) {
  // Owned blocks live outside the guarded body, so that a fault leaves none behind.
  ScopedBlock<char> header;
  char* text = nullptr;
  runGuarded(&plugin, "CMyPlugin::downloadPackageList()", [&] {
    header.reset(getAcceptLanguageHeader(NPN_UserAgent(plugin.m_npp)));
    DWORD closeError = 0;
    HINTERNET request = OpenURL(&plugin, url, header.get(), &closeError);
    if (!request) {
      if (runCancelled(plugin)) return;
      auto lock = lockInstallLog();
      logText("downloadPackageList failed to open URL: ");
      logLine(url ? url : "");
      return;
    }
    bool requestKept = false;
    text = readBody(plugin, request, &requestKept);
    if (requestKept && !InternetCloseHandle(request)) {
      auto lock = lockInstallLog();
      logText("InternetCloseHandle failed in CMyPlugin::downloadPackageList().  rc: ");
      logUnsignedLine(GetLastError());
    }
  });
  return text;
}
