// DownloadFile: a file sink and a body fetch, composed under the download's guard, and
// the failure's lines.
#include "net/file_download.h"

#include <cstdio>
#include <cstring>

#include "base/path_text.h"
#include "base/sha256_digest.h"
#include "log/cancel_note.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/body_fetch.h"
#include "net/file_sink.h"
#include "net/transfer.h"

namespace {

const char* lastSegment(const char* url) {
  const char* slash = std::strrchr(url, '/');
  return slash ? slash + 1 : url;
}

// The most bytes a body without a declared length may have under these limits.
uint32_t mostUnknownSize(const RunLimits& limits) {
  return limits.mostUnknownSizeBytes ? limits.mostUnknownSizeBytes : kMostUnknownSizeBytes;
}

// What one download is, for its steps and its failure's lines.
struct DownloadRequest {
  const char* url;
  const char* directory;
  const char* fileName;        // the local name, or the URL's last segment
  uint32_t expectedSize;
  const char* expectedSha256;  // the page's digest, or null
};

StepOutcome runDownload(const Transfer& transfer, const DownloadRequest& request, CFileSink& sink, CBodyFetch& fetch,
                        char (&received)[kSha256HexSize]) {
  if (transferCancelled(transfer)) return outcomeOf(kDownloadCancelled);
  if (request.expectedSha256 && !isSha256Hex(request.expectedSha256)) return outcomeOf(kDownloadHashMismatch);
  const DownloadResult opened = sink.open(request.directory, request.fileName, request.expectedSha256 != nullptr);
  if (opened != kDownloadOk) return outcomeOf(opened);
  const StepOutcome open = fetch.open();
  if (!open.ok()) return open;
  const DownloadResult copied = fetch.copyInto(sink, request.expectedSize);
  if (copied != kDownloadOk) return outcomeOf(copied);
  if (request.expectedSha256 && !sink.digestIs(request.expectedSha256, received))
    return outcomeOf(kDownloadHashMismatch);
  return StepOutcome();
}

void logTooLarge(const DownloadRequest& request, const CFileSink& sink, const CBodyFetch& fetch) {
  if (fetch.declaredTooLarge()) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "DownloadFile stopped: the body declares %lu bytes, more than the most it may have, %lu",
                  static_cast<unsigned long>(fetch.declaredTooLarge()), static_cast<unsigned long>(sink.mostBytes()));
    logLine(line);
  } else {
    logText("DownloadFile stopped: the body has no declared length and is longer than ");
    logUnsignedLine(sink.mostUnknownBytes());
  }
  logText("  URL: ");
  logLine(request.url);
}

void logReadFailure(const CBodyFetch& fetch) {
  logText(fetch.writeFailed() ? "WriteFile failed.  Error code: " : "InternetReadFile failed.  Error code: ");
  logUnsignedLine(fetch.errorCode());
  logText("  File size (est): ");
  logSignedLine(fetch.sizeEstimate());
  logText("  Bytes read: ");
  logUnsignedLine(fetch.received());
}

void logFailure(const Transfer& transfer, DownloadResult result, const DownloadRequest& request,
                const CFileSink& sink, const CBodyFetch& fetch, const char* received) {
  if (result == kDownloadCancelled) return noteRunCancelled(transfer.control);
  auto hold = lockInstallLog();
  switch (result) {
    case kDownloadNoDirectory:
      logText("Unable to switch to the installation directory: ");
      logLine(request.directory);
      logLine("  This machine may be a lockdown desktop.");
      break;
    case kDownloadNoLocalFile:
      logText("DownloadFile failed to create the local file: ");
      logText(request.directory);
      // An entry without a folder of its own has the work directory with its "\" here.
      if (!*request.directory || !isPathSeparator(request.directory[std::strlen(request.directory) - 1]))
        logText("\\");
      logLine(request.fileName);
      break;
    case kDownloadNoUrl:
      logText("DownloadFile failed to open URL: ");
      logLine(request.url);
      logText("Number of URL open retries exceeded in CMyPlugin::DownloadFile().  lastError: ");
      logUnsignedLine(fetch.openLastError());
      break;
    case kDownloadHashMismatch:
      logText("DownloadFile: the file's SHA-256 does not match the page's, the file is deleted: ");
      logText(request.url);
      logText("  expected: ");
      logText(request.expectedSha256);
      logText("  received: ");
      logLine(*received ? received : "(none)");
      break;
    case kDownloadReadFailed:
      if (fetch.tooLarge())
        logTooLarge(request, sink, fetch);
      else
        logReadFailure(fetch);
      break;
    default:
      break;
  }
}

}  // namespace

StepOutcome DownloadFile(const Transfer& transfer, const char* url, const char* directory, uint32_t expectedSize,
                         const char* localName, const char* expectedSha256, uint32_t mostBytes) {
  // An empty parameter carries no digest: a page template may leave it blank.
  const DownloadRequest request = {url, directory, localName ? localName : lastSegment(url), expectedSize,
                                   expectedSha256 && *expectedSha256 ? expectedSha256 : nullptr};
  // Everything a download holds lives outside the guarded body, so that the handles are
  // released and a partial file deleted even after a fault: the sink last, after the
  // fetch has closed its request.
  CFileSink sink(mostBytes, mostUnknownSize(transfer.limits));
  CBodyFetch fetch(transfer, url);
  char received[kSha256HexSize] = "";
  StepOutcome outcome = outcomeOf(kDownloadFault);
  if (!runGuarded(transfer.instance, "CMyPlugin::DownloadFile()",
                  [&] { outcome = runDownload(transfer, request, sink, fetch, received); }))
    outcome = outcomeOf(kDownloadFault);
  if (outcome.ok())
    sink.keep();
  else
    logFailure(transfer, outcome.code, request, sink, fetch, received);
  return outcome;
}
