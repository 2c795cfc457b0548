// CBodyFetch: the first open, the copies into the sink, and the resumes between them.
#include "net/body_fetch.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "base/scoped_block.h"
#include "log/install_log.h"
#include "net/accept_language.h"
#include "net/body_copy.h"
#include "net/declared_length.h"
#include "net/file_download.h"
#include "net/file_sink.h"
#include "net/progress_sink.h"
#include "net/transfer.h"
#include "net/url_open.h"

namespace {

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

// 0 leaves the size to the link (AdaptiveReadSize). The body copy's buffer holds
// kLargeTransferSize: a larger read would overrun it.
uint32_t packageReadSize(const RunLimits& limits) {
  const uint32_t size = limits.packageReadSize;
  return size > kLargeTransferSize ? kLargeTransferSize : size;
}

}  // namespace

CBodyFetch::CBodyFetch(const Transfer& transfer, const char* url) : m_transfer(transfer), m_url(url) {}

CBodyFetch::~CBodyFetch() {
  // Closed by hand, before the file, so that a failure to close is logged.
  const HINTERNET request = m_request.release();
  if (request && !InternetCloseHandle(request)) {
    auto hold = lockInstallLog();
    logText("InternetCloseHandle failed in CMyPlugin::DownloadFile().  rc: ");
    logUnsignedLine(GetLastError());
  }
}

StepOutcome CBodyFetch::open() {
  const ScopedBlock<char> header(getAcceptLanguageHeader(m_transfer.userAgent));
  if (header) m_languageHeader = header.get();
  OpenedUrl opened = OpenURL(m_transfer, m_url, m_languageHeader.c_str());
  m_openLastError = opened.lastError;
  m_request = std::move(opened.request);
  return opened.outcome;
}

// Copies the body on from m_received up to limit bytes or its end.
DownloadResult CBodyFetch::copyBody(CFileSink& sink, uint32_t limit, uint32_t chunk) {
  BodyCopy copy = {m_request.get(), sink.file(), sink.lendDigest(), m_received, limit, chunk, 0, false, false, false};
  if (copyBodyDetached(m_transfer, copy) == BodyCopyEnd::kAbandoned) {
    // The request, the open file and the digest went with the job.
    sink.leaveToJob();
    m_request.release();
    return kDownloadCancelled;
  }
  sink.takeBackDigest(copy.digest);
  m_received = copy.received;
  m_errorCode = copy.errorCode;
  m_writeFailed = copy.writeFailed;
  if (copy.faulted) return kDownloadFault;
  return copy.failed ? kDownloadReadFailed : kDownloadOk;
}

// A body that ends before the length its answer declared (and before the bytes wanted)
// was cut off by the connection, and the file would be incomplete.
bool CBodyFetch::endedEarly(bool declared, DWORD declaredLength, uint32_t limit) const {
  return declared && m_received < declaredLength && m_received < limit;
}

// Opens the URL again, for the rest of the body from the bytes already in the file when
// ranged, else for the whole of it. A request that fails shows nothing of its own: the
// download then fails with the break it came from, as it would have without the retry.
bool CBodyFetch::reopen(bool ranged) {
  m_request.reset();
  // The language header comes without a line end of its own.
  std::string headers = m_languageHeader;
  if (!headers.empty() && headers.back() != '\n') headers += "\r\n";
  if (ranged) {
    char range[64];
    std::snprintf(range, sizeof range, "Range: bytes=%lu-\r\n", static_cast<unsigned long>(m_received));
    // With If-Range a server whose file has changed since sends the whole new one.
    headers.append(range).append("If-Range: ").append(m_validator).append("\r\n");
  }
  m_request = std::move(OpenURL(m_transfer, m_url, headers.c_str()).request);
  return static_cast<bool>(m_request);
}

// Gets the rest of a body that broke off. Only a file the server proves unchanged (the
// first answer's validator, in If-Range) is continued, and only by exactly the rest of
// it; otherwise the whole body is fetched again and the file starts over, once: a file
// replaced on the server between the two answers must not end as a mix of both. False
// when the download cannot go on.
bool CBodyFetch::reopenForRest(CFileSink& sink) {
  // Nothing on disk yet is nothing to continue or to start over: the whole body is asked
  // for as at first.
  if (m_received == 0) return reopen(false) && statusCodeOf(m_request.get()) != 206;
  const bool ranged = m_validator[0] != '\0';
  if (!reopen(ranged)) return false;
  if (statusCodeOf(m_request.get()) == 206) {
    if (ranged && rangeContinues(m_request.get(), m_received, m_total)) return true;
    if (!reopen(false) || statusCodeOf(m_request.get()) == 206) return false;
  }
  if (m_restarted) return false;
  m_received = 0;
  m_restarted = true;
  return sink.startOver();
}

// A package that broke off (a reset, a silence past the timeout, a body short of its
// declared length) may be resumed; a failed write, a cancelled run or a body whose end
// was never known may not.
bool CBodyFetch::brokeOff(DownloadResult result, bool declared, DWORD length, uint32_t limit) const {
  if (result == kDownloadReadFailed) return !m_writeFailed;
  return result == kDownloadOk && endedEarly(declared, length, limit);
}

DownloadResult CBodyFetch::copyInto(CFileSink& sink, uint32_t expectedSize) {
  DWORD length = 0;
  const bool declared = declaredLength(m_request.get(), &length);
  const bool single = expectedSize == kUnknownSize;
  keepValidator(m_request.get(), m_validator, sizeof m_validator);
  if (declared && sink.mostBytes() && length > sink.mostBytes()) {
    m_tooLarge = true;
    m_declaredTooLarge = length;
    return kDownloadReadFailed;
  }
  m_total = declared ? length : expectedSize;
  if (single) {
    // Without a Content-Length the body is read to its end; the estimate only scales the bar.
    m_sizeEstimate = declared ? static_cast<int32_t>(length) : kUnknownSizeEstimate;
    if (m_transfer.progress) m_transfer.progress->setTotal(m_sizeEstimate);
  } else {
    m_sizeEstimate = static_cast<int32_t>(expectedSize);
  }
  // A body without a declared end is read one byte past the most it may have, so that an
  // endless one is told from one that ends right there.
  const bool toEnd = single && !declared;
  const uint32_t mostUnknown = sink.mostUnknownBytes();
  const uint32_t limit = toEnd ? mostUnknown + 1 : (single ? length : expectedSize);
  const uint32_t chunk = single ? kSmallTransferSize : packageReadSize(m_transfer.limits);
  DownloadResult result = copyBody(sink, limit, chunk);
  // The Content-Length that counts is the first answer's: a resumed answer declares the rest.
  for (int resumes = 0; !toEnd && resumes < kMostResumes && brokeOff(result, declared, length, limit); ++resumes) {
    const DownloadResult brokenWith = result;
    const DWORD error = m_errorCode;
    if (!reopenForRest(sink)) {
      result = transferCancelled(m_transfer) ? kDownloadCancelled : brokenWith;
      m_errorCode = error;
      break;
    }
    result = copyBody(sink, limit, chunk);
  }
  if (result == kDownloadOk && toEnd && m_received > mostUnknown) {
    m_tooLarge = true;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && endedEarly(declared, length, limit)) {
    m_errorCode = ERROR_INTERNET_CONNECTION_ABORTED;
    result = kDownloadReadFailed;
  }
  if (result == kDownloadOk && single && m_transfer.progress) m_transfer.progress->showFull();
  return result;
}
