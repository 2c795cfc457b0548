// The request side of a download: the URL opened with the Accept-Language header, its
// body copied into a file sink on a job, and a body that breaks off asked for again (its
// rest where the server proves the file unchanged, else the whole of it, once). What went
// wrong stays in the fetch for the download's failure line. One fetch per download, on
// the instance's worker.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "base/scoped_internet_handle.h"
#include "base/step_outcome.h"

class CFileSink;
struct Transfer;

class CBodyFetch {
 public:
  CBodyFetch(const Transfer& transfer, const char* url);
  ~CBodyFetch();
  CBodyFetch(const CBodyFetch&) = delete;
  CBodyFetch& operator=(const CBodyFetch&) = delete;

  // Opens the URL: kDownloadOk, or the open's outcome (kDownloadNoUrl with the answer's
  // status for the user, kDownloadCancelled, kDownloadFault).
  StepOutcome open();
  // Copies the body into sink: expectedSize bytes at most (kUnknownSize: the single file of
  // unknown size, read to its declared end or, without one, to its end within the sink's
  // bound), resuming a body that breaks off. kDownloadOk, kDownloadReadFailed,
  // kDownloadCancelled or kDownloadFault.
  DownloadResult copyInto(CFileSink& sink, uint32_t expectedSize);

  // What the failure line says.
  DWORD openLastError() const { return m_openLastError; }
  DWORD errorCode() const { return m_errorCode; }
  bool writeFailed() const { return m_writeFailed; }
  bool tooLarge() const { return m_tooLarge; }
  uint32_t declaredTooLarge() const { return m_declaredTooLarge; }  // 0: the body went past, undeclared
  int32_t sizeEstimate() const { return m_sizeEstimate; }
  uint32_t received() const { return m_received; }

 private:
  DownloadResult copyBody(CFileSink& sink, uint32_t limit, uint32_t chunk);
  bool reopen(bool ranged);
  bool reopenForRest(CFileSink& sink);
  bool brokeOff(DownloadResult result, bool declared, DWORD length, uint32_t limit) const;
  bool endedEarly(bool declared, DWORD declaredLength, uint32_t limit) const;

  const Transfer& m_transfer;
  const char* m_url;
  std::string m_languageHeader;
  ScopedInternetHandle m_request;
  DWORD m_openLastError = 0;
  DWORD m_errorCode = 0;   // GetLastError of the failed read or write
  bool m_writeFailed = false;
  bool m_tooLarge = false;  // the body went past the most allowed, or declared more
  uint32_t m_declaredTooLarge = 0;
  bool m_restarted = false;  // the body was started over once
  // What proves that a later answer is the same file: the first answer's ETag, or its
  // Last-Modified without one, as sent back in If-Range; empty when it had neither (or
  // one too long to keep).
  char m_validator[256] = "";
  uint32_t m_total = 0;  // the whole body's length as the first answer gave it
  int32_t m_sizeEstimate = 0;
  uint32_t m_received = 0;
};
