// The file download and its progress messages.
#include "net/file_download.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>

#include "base/directory_tree.h"
#include "base/host_services.h"
#include "base/path_text.h"
#include "base/scoped_block.h"
#include "base/scoped_handle.h"
#include "base/scoped_internet_handle.h"
#include "base/sha256_digest.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/body_copy.h"
#include "net/declared_length.h"
#include "net/prefs_text.h"
#include "net/url_open.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

// Everything a download holds, kept outside the guarded body so that the handles are
// released and a partial file deleted even after a fault. The failure details are
// logged after the body, outside the guard.
constexpr size_t kValidatorCapacity = 256;

struct DownloadState {
  CRunContext* plugin;
  const char* url;
  const char* directory;
  const char* fileName;  // localName or the URL's last segment
  char localPath[kPathCapacity];
  ScopedFileHandle file;
  ScopedInternetHandle request;
  ScopedBlock<char> header;
  DownloadResult result;
  DWORD errorCode;       // GetLastError of the failed read or write
  DWORD openLastError;   // what OpenURL left in its lastError
  bool writeFailed;
  bool tooLarge;         // the body went past the most allowed, or declared more
  uint32_t mostBytes;    // the caller's bound on the body, 0 for none
  uint32_t declared;     // the answer's Content-Length, when tooLarge came from it
  const char* expectedSha256;                // the page's digest, or null
  CSha256* digest;                           // of the bytes written, with expectedSha256
  char receivedSha256[kSha256HexSize];       // the bytes' digest, empty when none formed
  bool restarted;                            // the body was started over once
  // What proves that a later answer is the same file: the first answer's ETag, or its
  // Last-Modified without one, as sent back in If-Range; empty when it had neither (or
  // one too long to keep).
  char validator[kValidatorCapacity];
  uint32_t total;  // the whole body's length as the first answer gave it
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
  state.file.reset(CreateFileA(state.localPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               CREATE_ALWAYS, 0, nullptr));
  return state.file ? kDownloadOk : kDownloadNoLocalFile;
}

// Copies the body on from state.received up to limit bytes or its end.
DownloadResult copyBody(DownloadState& state, uint32_t limit, uint32_t chunk) {
  BodyCopy copy = {state.request.get(), state.file.get(), state.digest, state.received, limit, chunk, 0, false, false, 0};
  state.digest = nullptr;
  if (copyBodyDetached(*state.plugin, copy) == BodyCopyEnd::kAbandoned) {
    // The request and the open file went with the job.
    DeleteFileA(state.localPath);
    state.request.release();
    state.file.release();
    return kDownloadCancelled;
  }
  state.digest = copy.digest;
  state.received = copy.received;
  state.errorCode = copy.errorCode;
  state.writeFailed = copy.writeFailed;
  // A fault on the copy's thread ends the download as a fault of its own.
  raiseCaughtFault(copy.faultCode);
  return copy.failed ? kDownloadReadFailed : kDownloadOk;
}

// A body that ends before the length its answer declared (and before the bytes wanted)
// was cut off by the connection, and the file would be incomplete.
bool endedEarly(const DownloadState& state, bool declared, DWORD declaredLength, uint32_t limit) {
  return declared && state.received < declaredLength && state.received < limit;
}

// Where a partial answer starts: the first number of "bytes START-END/TOTAL".
// Whether a 206 answer's Content-Range is the rest of the file on disk: it starts at
// start and the whole is total bytes long, as the first answer said.
bool rangeContinues(HINTERNET request, uint32_t start, uint32_t total) {
  char text[128];
  DWORD size = sizeof text - 1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_RANGE, text, &size, nullptr)) return false;
  text[size] = '\0';
  unsigned long first = 0;
  unsigned long last = 0;
  unsigned long whole = 0;
  char unit[8] = "";
  if (std::sscanf(text, "%7s %lu-%lu/%lu", unit, &first, &last, &whole) != 4 || std::strcmp(unit, "bytes") != 0)
    return false;
  return first == start && whole == total;
}

// The first answer's ETag, or its Last-Modified, into validator; empty without either.
void keepValidator(HINTERNET request, char* validator, size_t capacity) {
  for (const DWORD header : {static_cast<DWORD>(HTTP_QUERY_ETAG), static_cast<DWORD>(HTTP_QUERY_LAST_MODIFIED)}) {
    DWORD size = static_cast<DWORD>(capacity - 1);
    if (HttpQueryInfoA(request, header, validator, &size, nullptr) && size > 0) {
      validator[size] = '\0';
      return;
    }
  }
  validator[0] = '\0';
}

// Back to an empty file and a fresh digest, for a server that sends the whole body again.
bool startOver(DownloadState& state) {
  state.received = 0;
  state.restarted = true;
  if (state.digest) {
    delete state.digest;
    state.digest = new (std::nothrow) CSha256;
  }
  return SetFilePointer(state.file.get(), 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(state.file.get());
}

// Opens the URL again, for the rest of the body from the bytes already in the file when
// ranged, else for the whole of it. A request that fails shows nothing of its own: the
// download then fails with the break it came from, as it would have without the retry.
bool reopen(DownloadState& state, bool ranged) {
  state.request.reset();
  // The language header comes without a line end of its own.
  std::string headers = state.header ? state.header.get() : "";
  if (!headers.empty() && headers.back() != '\n') headers += "\r\n";
  if (ranged) {
    char range[64];
    std::snprintf(range, sizeof range, "Range: bytes=%lu-\r\n", static_cast<unsigned long>(state.received));
    // With If-Range a server whose file has changed since sends the whole new one.
    headers.append(range).append("If-Range: ").append(state.validator).append("\r\n");
  }
  DWORD closeError = 0;
  state.request.reset(OpenURL(state.plugin, state.url, headers.c_str(), &closeError, false));
  return static_cast<bool>(state.request);
}

// Gets the rest of a body that broke off. Only a file the server proves unchanged (the
// first answer's validator, in If-Range) is continued, and only by exactly the rest of
// it; otherwise the whole body is fetched again and the file starts over, once: a file
// replaced on the server between the two answers must not end as a mix of both. False
// when the download cannot go on.
bool reopenForRest(DownloadState& state) {
  // Nothing on disk yet is nothing to continue or to start over: the whole body is asked
  // for as at first.
  if (state.received == 0) return reopen(state, false) && statusCodeOf(state.request.get()) != 206;
  const bool ranged = state.validator[0] != '\0';
  if (!reopen(state, ranged)) return false;
  if (statusCodeOf(state.request.get()) == 206) {
    if (ranged && rangeContinues(state.request.get(), state.received, state.total)) return true;
    if (!reopen(state, false) || statusCodeOf(state.request.get()) == 206) return false;
  }
  return !state.restarted && startOver(state);
}

// A package that broke off (a reset, a silence past the timeout, a body short of its
// declared length) may be resumed; a failed write, a cancelled run or a body whose end
// was never known may not.
bool brokeOff(const DownloadState& state, DownloadResult result, bool declared, DWORD length, uint32_t limit) {
  if (result == kDownloadReadFailed) return !state.writeFailed;
  return result == kDownloadOk && endedEarly(state, declared, length, limit);
}

// The most bytes a body without a declared length may have in this download.
uint32_t mostUnknownSize(const DownloadState& state) {
  const RunLimits& limits = state.plugin->m_limits;
  const uint32_t most = limits.mostUnknownSizeBytes ? limits.mostUnknownSizeBytes : kMostUnknownSizeBytes;
  return state.mostBytes && state.mostBytes < most ? state.mostBytes : most;
}

// 0 leaves the size to the link (AdaptiveReadSize). The body copy's buffer holds
// kLargeTransferSize: a larger read would overrun it.
uint32_t packageReadSize(const RunLimits& limits) {
  const uint32_t size = limits.packageReadSize;
  return size > kLargeTransferSize ? kLargeTransferSize : size;
}

DownloadResult transferBody(DownloadState& state, uint32_t expectedSize) {
  DWORD length = 0;
  const bool declared = declaredLength(state.request.get(), &length);
  const bool single = expectedSize == kUnknownSize;
  keepValidator(state.request.get(), state.validator, sizeof state.validator);
  if (declared && state.mostBytes && length > state.mostBytes) {
    state.tooLarge = true;
    state.declared = length;
    return kDownloadReadFailed;
  }
  state.total = declared ? length : expectedSize;
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
  const uint32_t mostUnknown = mostUnknownSize(state);
  const uint32_t limit = toEnd ? mostUnknown + 1 : (single ? length : expectedSize);
  const uint32_t chunk = single ? kSmallTransferSize : packageReadSize(state.plugin->m_limits);
  DownloadResult result = copyBody(state, limit, chunk);
  // The Content-Length that counts is the first answer's: a resumed answer declares the rest.
  for (int resumes = 0; !toEnd && resumes < kMostResumes && brokeOff(state, result, declared, length, limit);
       ++resumes) {
    const DownloadResult brokenWith = result;
    const DWORD error = state.errorCode;
    if (!reopenForRest(state)) {
      result = runCancelled(*state.plugin) ? kDownloadCancelled : brokenWith;
      state.errorCode = error;
      break;
    }
    result = copyBody(state, limit, chunk);
  }
  if (result == kDownloadOk && toEnd && state.received > mostUnknown) {
    state.tooLarge = true;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && endedEarly(state, declared, length, limit)) {
    state.errorCode = ERROR_INTERNET_CONNECTION_ABORTED;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && state.expectedSha256 &&
      (!state.digest || !state.digest->finish(state.receivedSha256) ||
       !sameSha256Hex(state.receivedSha256, state.expectedSha256)))
    result = kDownloadHashMismatch;
  if (result == kDownloadOk && single) state.plugin->m_progress.showFull();
  return result;
}

DownloadResult runDownload(DownloadState& state, uint32_t expectedSize, const char* localName) {
  CRunContext* plugin = state.plugin;
  state.fileName = localName ? localName : lastSegment(state.url);
  if (runCancelled(*plugin)) return kDownloadCancelled;
  if (state.expectedSha256 && !isSha256Hex(state.expectedSha256)) return kDownloadHashMismatch;
  if (prepareDirectory(state) != kDownloadOk) return kDownloadNoDirectory;
  if (createLocalFile(state) != kDownloadOk) return kDownloadNoLocalFile;
  if (state.expectedSha256) state.digest = new (std::nothrow) CSha256;
  state.header.reset(getAcceptLanguageHeader(NPN_UserAgent(plugin->m_npp)));
  state.request.reset(OpenURL(plugin, state.url, state.header ? state.header.get() : "", &state.openLastError));
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
      // An entry without a folder of its own has the work directory with its "\" here.
      if (!*state.directory || !isPathSeparator(state.directory[std::strlen(state.directory) - 1])) logText("\\");
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
      if (state.tooLarge && state.declared) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "DownloadFile stopped: the body declares %lu bytes, more than the most it may have, %lu",
                      static_cast<unsigned long>(state.declared), static_cast<unsigned long>(state.mostBytes));
        logLine(line);
        logText("  URL: ");
        logLine(state.url);
        break;
      }
      if (state.tooLarge) {
        logText("DownloadFile stopped: the body has no declared length and is longer than ");
        logUnsignedLine(mostUnknownSize(state));
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
    logFailure(state);
    // Closed before it is deleted: an open file would only be marked for deletion.
    if (state.file) {
      state.file.reset();
      DeleteFileA(state.localPath);
    }
  }
  state.header.reset();
  delete state.digest;
  state.digest = nullptr;
  // Closed by hand, before the file, so that a failure to close is logged.
  const HINTERNET request = state.request.release();
  if (request && !InternetCloseHandle(request)) {
    auto hold = lockInstallLog();
    logText("InternetCloseHandle failed in CMyPlugin::DownloadFile().  rc: ");
    logUnsignedLine(GetLastError());
  }
  state.file.reset();
}

}  // namespace

DownloadResult DownloadFile(CRunContext* plugin, const char* url, const char* directory,
                            uint32_t expectedSize, const char* localName, const char* expectedSha256,
                            uint32_t mostBytes) {
  DownloadState state = {};
  state.mostBytes = mostBytes;
  // An empty parameter carries no digest: a page template may leave it blank.
  state.expectedSha256 = expectedSha256 && *expectedSha256 ? expectedSha256 : nullptr;
  state.plugin = plugin;
  state.url = url;
  state.directory = directory;
  state.result = kDownloadFault;
  if (!runGuarded(plugin, "CMyPlugin::DownloadFile()",
                  [&] { state.result = runDownload(state, expectedSize, localName); }))
    state.result = kDownloadFault;
  finishDownload(state);
  return state.result;
}
