// copyBodyDetached and the job that does the reading.
#include "net/body_copy.h"

#include <new>

#include "base/sha256_digest.h"
#include "net/adaptive_read_size.h"
#include "net/file_download.h"
#include "net/progress_sink.h"
#include "net/session_job.h"
#include "net/transfer.h"

namespace {

class CBodyJob : public CSessionJob {
 public:
  CBodyJob(const Transfer& transfer, const BodyCopy& copy)
      : CSessionJob(transfer.control), m_copy(copy), m_progress(transfer.progress), m_received(copy.received),
        m_shown(copy.received), m_readSize(kLargeTransferSize) {}
  // Only an abandoned job still has the digest at its end.
  ~CBodyJob() override { delete m_copy.digest; }

  void tick() override {
    const uint32_t now = received();
    if (m_progress) m_progress->advance(now - m_shown);
    m_shown = now;
  }

  // Hands the outcome, and with it the digest, back to the caller.
  void handBack(BodyCopy& copy) {
    copy = m_copy;
    copy.received = received();
    m_copy.digest = nullptr;
  }

 protected:
  void runStep() override {
    while (received() < m_copy.limit && !abandoned()) {
      DWORD wanted = m_copy.chunk ? m_copy.chunk : m_readSize.size();
      if (m_copy.limit - received() < wanted) wanted = m_copy.limit - received();
      DWORD got = 0;
      const DWORD started = GetTickCount();
      if (!InternetReadFile(m_copy.request, m_buffer, wanted, &got)) return fail(false);
      if (got == 0) break;
      m_readSize.record(wanted, got, GetTickCount() - started);
      DWORD written = 0;
      // A short write (a full disk) fails the download: a cut file must not pass as whole.
      if (!WriteFile(m_copy.file, m_buffer, got, &written, nullptr) || written != got) return fail(true);
      if (m_copy.digest) m_copy.digest->add(m_buffer, got);
      InterlockedExchangeAdd(&m_received, static_cast<LONG>(got));
    }
  }
  // The worker has gone on and deleted the file by name; closing it removes it.
  void releaseAbandoned() override {
    CloseHandle(m_copy.file);
    InternetCloseHandle(m_copy.request);
  }

 private:
  uint32_t received() const { return static_cast<uint32_t>(m_received); }
  void fail(bool writing) {
    m_copy.errorCode = GetLastError();
    m_copy.writeFailed = writing;
    m_copy.failed = true;
  }

  BodyCopy m_copy;
  CProgressSink* m_progress;
  volatile LONG m_received;
  uint32_t m_shown;
  AdaptiveReadSize m_readSize;
  char m_buffer[kLargeTransferSize];
};

}  // namespace

BodyCopyEnd copyBodyDetached(const Transfer& transfer, BodyCopy& copy) {
  copy.faulted = false;
  copy.failed = false;
  copy.writeFailed = false;
  copy.errorCode = 0;
  auto* job = new (std::nothrow) CBodyJob(transfer, copy);
  if (!job) {
    copy.errorCode = ERROR_NOT_ENOUGH_MEMORY;
    copy.failed = true;
    return BodyCopyEnd::kDone;
  }
  const auto done = takeBackJob(runSessionJob(transfer.control, job), job);
  if (!done) return BodyCopyEnd::kAbandoned;
  done->handBack(copy);
  copy.faulted = done->reportFault(transfer.instance);
  return BodyCopyEnd::kDone;
}
