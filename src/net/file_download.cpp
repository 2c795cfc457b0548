// The file download and its progress messages.
#include "net/file_download.h"

#include <windows.h>

#include <cstring>

#include "base/directory_tree.h"
#include "base/host_services.h"
#include "base/path_text.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/prefs_text.h"
#include "net/url_open.h"
#include "plugin/CMyPlugin.h"

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
  state.file = CreateFileA(state.localPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  return state.file == INVALID_HANDLE_VALUE ? kDownloadNoLocalFile : kDownloadOk;
}

// The Content-Length of the answer; false when it has none.
bool declaredLength(HINTERNET request, DWORD* length) {
  DWORD size = sizeof *length;
  return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length, &size, nullptr) != FALSE;
}

DownloadResult failedTransfer(DownloadState& state, bool writing) {
  state.errorCode = GetLastError();
  state.writeFailed = writing;
  return kDownloadReadFailed;
}

// Reads the body into the file: up to limit bytes, or to its end when toEnd is set.
DownloadResult copyBody(DownloadState& state, uint32_t limit, bool toEnd, uint32_t chunk) {
  char buffer[kLargeTransferSize];
  while (toEnd || state.received < limit) {
    DWORD wanted = chunk;
    if (!toEnd && limit - state.received < wanted) wanted = limit - state.received;
    DWORD got = 0;
    if (!InternetReadFile(state.request, buffer, wanted, &got)) return failedTransfer(state, false);
    if (got == 0) break;
    DWORD written = 0;
    // A short write (a full disk) fails the download: a cut file must not pass as whole.
    if (!WriteFile(state.file, buffer, got, &written, nullptr) || written != got) return failedTransfer(state, true);
    state.received += got;
    state.plugin->m_progress.advance(got);
  }
  return kDownloadOk;
}

// A body that ends before the length its answer declared (and before the bytes wanted)
// was cut off by the connection, and the file would be incomplete.
bool endedEarly(const DownloadState& state, bool declared, DWORD declaredLength, uint32_t limit) {
  return declared && state.received < declaredLength && state.received < limit;
}

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
  const uint32_t limit = single ? length : expectedSize;
  DownloadResult result = copyBody(state, limit, single && !declared, single ? kSmallTransferSize : kLargeTransferSize);
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
  if (prepareDirectory(state) != kDownloadOk) return kDownloadNoDirectory;
  if (createLocalFile(state) != kDownloadOk) return kDownloadNoLocalFile;
  state.header = getAcceptLanguageHeader(NPN_UserAgent(plugin->m_npp));
  state.request = OpenURL(plugin, state.url, state.header ? state.header : "", &state.openLastError);
  if (!state.request) return kDownloadNoUrl;
  return transferBody(state, expectedSize);
}

void logFailure(const DownloadState& state) {
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
    case kDownloadReadFailed:
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

DownloadResult DownloadFile(CMyPlugin* plugin, const char* url, const char* directory,
                            uint32_t expectedSize, const char* localName) {
  DownloadState state = {};
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
