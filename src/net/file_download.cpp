// The file download and its progress messages.
#include "net/file_download.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "base/directory_tree.h"
#include "base/host_services.h"
#include "base/path_text.h"
#include "base/sha256_digest.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/prefs_text.h"
#include "net/url_open.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

// Everything a download holds, kept outside the guarded body so that the handles are
// released and a partial file deleted even after a fault. The failure details are
// logged after the body, outside the guard.
struct DownloadState {
  CMyPlugin* plugin;
  const char* url;
  const char* directory;
  const char* fileName;  // localName or the URL's last segment
  char localPath[kPathCapacity];
  HANDLE file;
  HINTERNET request;
  char* header;
  DownloadResult result;
  DWORD errorCode;       // GetLastError of the failed read or write
  DWORD openLastError;   // what OpenURL left in its lastError
  bool writeFailed;
  bool tooLarge;         // a body without a declared end went past the most allowed
  const char* expectedSha256;                // the page's digest, or null
  char receivedSha256[kSha256HexSize];       // the bytes' digest, empty when none formed
  int32_t sizeEstimate;  // expectedSize as the read loop used it
  uint32_t received;
};

const char* lastSegment(const char* url) {
  const char* slash = std::strrchr(url, '/');
  return slash ? slash + 1 : url;
}

DownloadResult prepareDirectory(const DownloadState& state) {
  createDirectoryTree(state.directory);
  const DWORD attributes = GetFileAttributesA(state.directory);
  const bool usable = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  return usable ? kDownloadOk : kDownloadNoDirectory;
}

DownloadResult createLocalFile(DownloadState& state) {
  if (!joinPath(state.localPath, sizeof state.localPath, state.directory, state.fileName)) return kDownloadNoLocalFile;
  // Shared for deletion: a download the worker walks away from is deleted by name at
  // once, and the system removes it when the last handle goes, at the latest with the
  // process.
  state.file = CreateFileA(state.localPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  return state.file == INVALID_HANDLE_VALUE ? kDownloadNoLocalFile : kDownloadOk;
}

// The Content-Length of the answer; false when it has none.
bool declaredLength(HINTERNET request, DWORD* length) {
  DWORD size = sizeof *length;
  return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length, &size, nullptr) != FALSE;
}

// Reads the body into the file, up to limit bytes or its end. The bar moves on the
// worker, from what the job has counted so far.
class CBodyJob : public CSessionJob {
 public:
  CBodyJob(const DownloadState& state, uint32_t limit, uint32_t chunk, bool hashing)
      : CSessionJob(*state.plugin),
        m_request(state.request),
        m_file(state.file),
        m_progress(&state.plugin->m_progress),
        m_limit(limit),
        m_chunk(chunk),
        m_digest(hashing ? new (std::nothrow) CSha256 : nullptr) {}
  ~CBodyJob() override { delete m_digest; }

  void run() override {
    while (received() < m_limit && !abandoned()) {
      DWORD wanted = m_chunk;
      if (m_limit - received() < wanted) wanted = m_limit - received();
      DWORD got = 0;
      if (!InternetReadFile(m_request, m_buffer, wanted, &got)) return fail(false);
      if (got == 0) break;
      DWORD written = 0;
      // A short write (a full disk) fails the download: a cut file must not pass as whole.
      if (!WriteFile(m_file, m_buffer, got, &written, nullptr) || written != got) return fail(true);
      if (m_digest) m_digest->add(m_buffer, got);
      InterlockedExchangeAdd(&m_received, static_cast<LONG>(got));
    }
  }
  // The worker has gone on and deleted the file by name; closing it removes it.
  void cleanUpAbandoned() override {
    CloseHandle(m_file);
    InternetCloseHandle(m_request);
  }
  void tick() override {
    const uint32_t now = received();
    m_progress->advance(now - m_shown);
    m_shown = now;
  }

  uint32_t received() const { return static_cast<uint32_t>(m_received); }
  bool failed() const { return m_failed; }
  bool writeFailed() const { return m_writeFailed; }
  DWORD errorCode() const { return m_errorCode; }
  // The digest of everything written; false without one.
  bool digest(char (&hex)[kSha256HexSize]) { return m_digest && m_digest->finish(hex); }

 private:
  void fail(bool writing) {
    m_errorCode = GetLastError();
    m_writeFailed = writing;
    m_failed = true;
  }

  HINTERNET m_request;
  HANDLE m_file;
  CDownloadProgress* m_progress;
  uint32_t m_limit;
  uint32_t m_chunk;
  CSha256* m_digest;
  char m_buffer[kLargeTransferSize];
  volatile LONG m_received = 0;
  uint32_t m_shown = 0;
  bool m_failed = false;
  bool m_writeFailed = false;
  DWORD m_errorCode = 0;
};

DownloadResult copyBody(DownloadState& state, uint32_t limit, uint32_t chunk) {
  auto* job = new (std::nothrow) CBodyJob(state, limit, chunk, state.expectedSha256 != nullptr);
  if (!job) {
    state.errorCode = ERROR_NOT_ENOUGH_MEMORY;
    return kDownloadReadFailed;
  }
  if (runSessionJob(*state.plugin, job) == JobEnd::kAbandoned) {
    // The request and the open file went with the job.
    DeleteFileA(state.localPath);
    state.request = nullptr;
    state.file = INVALID_HANDLE_VALUE;
    return kDownloadCancelled;
  }
  state.received = job->received();
  state.errorCode = job->errorCode();
  state.writeFailed = job->writeFailed();
  const bool failed = job->failed();
  if (!failed && state.expectedSha256 && (!job->digest(state.receivedSha256) ||
                                          !sameSha256Hex(state.receivedSha256, state.expectedSha256))) {
    delete job;
    return kDownloadHashMismatch;
  }
  delete job;
  return failed ? kDownloadReadFailed : kDownloadOk;
}

// A body that ends before the length its answer declared (and before the bytes wanted)
// was cut off by the connection, and the file would be incomplete.
bool endedEarly(const DownloadState& state, bool declared, DWORD declaredLength, uint32_t limit) {
  return declared && state.received < declaredLength && state.received < limit;
}

std::atomic<uint32_t> g_unknownSizeLimit{kMostUnknownSizeBytes};

DownloadResult transferBody(DownloadState& state, uint32_t expectedSize) {
  DWORD length = 0;
  const bool declared = declaredLength(state.request, &length);
  const bool single = expectedSize == kUnknownSize;
  if (single) {
    // Without a Content-Length the body is read to its end; the estimate only scales the bar.
    state.sizeEstimate = declared ? static_cast<int32_t>(length) : kUnknownSizeEstimate;
    state.plugin->m_progress.setTotal(state.sizeEstimate);
  } else {
    state.sizeEstimate = static_cast<int32_t>(expectedSize);
  }
  // A body without a declared end is read one byte past the most it may have, so that an
  // endless one is told from one that ends right there.
  const bool toEnd = single && !declared;
  const uint32_t mostUnknown = g_unknownSizeLimit;
  const uint32_t limit = toEnd ? mostUnknown + 1 : (single ? length : expectedSize);
  DownloadResult result = copyBody(state, limit, single ? kSmallTransferSize : kLargeTransferSize);
  if (result == kDownloadOk && toEnd && state.received > mostUnknown) {
    state.tooLarge = true;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && endedEarly(state, declared, length, limit)) {
    state.errorCode = ERROR_INTERNET_CONNECTION_ABORTED;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && single) state.plugin->m_progress.showFull();
  return result;
}

DownloadResult runDownload(DownloadState& state, uint32_t expectedSize, const char* localName) {
  CMyPlugin* plugin = state.plugin;
  state.fileName = localName ? localName : lastSegment(state.url);
  if (runCancelled(*plugin)) return kDownloadCancelled;
  if (state.expectedSha256 && !isSha256Hex(state.expectedSha256)) return kDownloadHashMismatch;
  if (prepareDirectory(state) != kDownloadOk) return kDownloadNoDirectory;
  if (createLocalFile(state) != kDownloadOk) return kDownloadNoLocalFile;
  state.header = getAcceptLanguageHeader(NPN_UserAgent(plugin->m_npp));
  state.request = OpenURL(plugin, state.url, state.header ? state.header : "", &state.openLastError);
  if (!state.request) return runCancelled(*plugin) ? kDownloadCancelled : kDownloadNoUrl;
  return transferBody(state, expectedSize);
}

void logFailure(const DownloadState& state) {
  if (state.result == kDownloadCancelled) return noteRunCancelled(*state.plugin);
  auto hold = lockInstallLog();
  switch (state.result) {
    case kDownloadNoDirectory:
      logText("Unable to switch to the installation directory: ");
      logLine(state.directory);
      logLine("  This machine may be a lockdown desktop.");
      break;
    case kDownloadNoLocalFile:
      logText("DownloadFile failed to create the local file: ");
      logText(state.directory);
      logText("\\");
      logLine(state.fileName);
      break;
    case kDownloadNoUrl:
      logText("DownloadFile failed to open URL: ");
      logLine(state.url);
      logText("Number of URL open retries exceeded in CMyPlugin::DownloadFile().  lastError: ");
      logUnsignedLine(state.openLastError);
      break;
    case kDownloadHashMismatch:
      logText("DownloadFile: the file's SHA-256 does not match the page's, the file is deleted: ");
      logText(state.url);
      logText("  expected: ");
      logText(state.expectedSha256);
      logText("  received: ");
      logLine(*state.receivedSha256 ? state.receivedSha256 : "(none)");
      break;
    case kDownloadReadFailed:
      if (state.tooLarge) {
        logText("DownloadFile stopped: the body has no declared length and is longer than ");
        logUnsignedLine(g_unknownSizeLimit);
        logText("  URL: ");
        logLine(state.url);
        break;
      }
      logText(state.writeFailed ? "WriteFile failed.  Error code: " : "InternetReadFile failed.  Error code: ");
      logUnsignedLine(state.errorCode);
      logText("  File size (est): ");
      logSignedLine(state.sizeEstimate);
      logText("  Bytes read: ");
      logUnsignedLine(state.received);
      break;
    default:
      break;
  }
}

void finishDownload(DownloadState& state) {
  if (state.result != kDownloadOk) {
    state.plugin->m_failed = 1;
    logFailure(state);
    if (state.file != INVALID_HANDLE_VALUE) {
      CloseHandle(state.file);
      state.file = INVALID_HANDLE_VALUE;
      DeleteFileA(state.localPath);
    }
  }
  NPN_MemFree(state.header);
  if (state.request && !InternetCloseHandle(state.request)) {
    auto hold = lockInstallLog();
    logText("InternetCloseHandle failed in CMyPlugin::DownloadFile().  rc: ");
    logUnsignedLine(GetLastError());
  }
  if (state.file != INVALID_HANDLE_VALUE) CloseHandle(state.file);
}

}  // namespace

void setUnknownSizeLimitForTests(uint32_t bytes) { g_unknownSizeLimit = bytes ? bytes : kMostUnknownSizeBytes; }

DownloadResult DownloadFile(CMyPlugin* plugin, const char* url, const char* directory,
                            uint32_t expectedSize, const char* localName, const char* expectedSha256) {
  DownloadState state = {};
  // An empty parameter carries no digest: a page template may leave it blank.
  state.expectedSha256 = expectedSha256 && *expectedSha256 ? expectedSha256 : nullptr;
  state.plugin = plugin;
  state.url = url;
  state.directory = directory;
  state.file = INVALID_HANDLE_VALUE;
  state.result = kDownloadFault;
  if (!runGuarded(plugin, "CMyPlugin::DownloadFile()",
                  [&] { state.result = runDownload(state, expectedSize, localName); }))
    state.result = kDownloadFault;
  finishDownload(state);
  return state.result;
}
