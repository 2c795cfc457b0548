// The install log: a CTextBuffer behind a lock, created on first use, with the record of
// which instance wrote each stretch of it.
#include "log/install_log.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "base/host_services.h"
#include "base/recursive_lock.h"
#include "base/scoped_handle.h"
#include "base/thread_count.h"
#include "base/thread_instance.h"
#include "log/CTextBuffer.h"
#include "log/log_stretches.h"

namespace {

// The process-wide log object; lives in an allocator block like all plug-in data.
class CInstallLog {
 public:
  CTextBuffer buffer;
  CLogStretches stretches;
};

// Recursive because the sending thread itself logs while the upload is being built.
// Callers' texts are measured before the lock is taken, so a bad pointer faults outside
// it; a fault inside it is undone by the guard through the thread's hold counts.
CRecursiveLock g_logLock;
CInstallLog* g_log = nullptr;
// Where the line being written starts in the log's text.
int32_t g_lineStart = 0;

// Held while a send builds its body and starts its upload, but not the log's own lock:
// other threads go on logging meanwhile. A mutex, so that a send waits for it within its
// own bound; recursive, as a mutex is, for the same reason as the log's lock.
const ScopedKernelHandle g_sendMutex(CreateMutexA(nullptr, FALSE, nullptr));
std::atomic<InstallLogPoster> g_poster{nullptr};

// Set while no upload holds the log's text. The upload that does is g_uploadInFlight
// (0: none), numbered from g_uploadsStarted; both under the log's lock.
const ScopedKernelHandle g_uploadSettled(CreateEventA(nullptr, TRUE, TRUE, nullptr));
uint32_t g_uploadInFlight = 0;
uint32_t g_uploadsStarted = 0;

// How many times each thread holds each lock.
CThreadCount g_logHolds;
CThreadCount g_sendHolds;

void takeCounted(CRecursiveLock& lock, CThreadCount& holds) {
  lock.lock();
  holds.set(holds.get() + 1);
}

void releaseCounted(CRecursiveLock& lock, CThreadCount& holds) {
  holds.set(holds.get() - 1);
  lock.unlock();
}

// A scoped hold of one of the two locks, counted for the thread.
class CountedHold {
 public:
  CountedHold(CRecursiveLock& lock, CThreadCount& holds) : m_lock(lock), m_holds(holds) {
    takeCounted(m_lock, m_holds);
  }
  ~CountedHold() { releaseCounted(m_lock, m_holds); }
  CountedHold(const CountedHold&) = delete;
  CountedHold& operator=(const CountedHold&) = delete;

 private:
  CRecursiveLock& m_lock;
  CThreadCount& m_holds;
};

struct LogLock : CountedHold {
  LogLock() : CountedHold(g_logLock, g_logHolds) {}
};

// The wall time left of a wait of waitMs that began at started.
DWORD timeLeft(DWORD started, uint32_t waitMs) {
  const DWORD spent = GetTickCount() - started;
  return spent < waitMs ? waitMs - spent : 0;
}

void releaseSendMutex() {
  g_sendHolds.set(g_sendHolds.get() - 1);
  ReleaseMutex(g_sendMutex.get());
}

// Whether the wait got the send mutex; a thread that ended holding it hands it on too.
bool takeSendMutex(DWORD started, uint32_t waitMs) {
  if (!g_sendMutex) return false;
  const DWORD woken = WaitForSingleObject(g_sendMutex.get(), timeLeft(started, waitMs));
  return woken == WAIT_OBJECT_0 || woken == WAIT_ABANDONED;
}

// The send mutex, taken within the time left; given back at the end of the scope.
class SendTurn {
 public:
  SendTurn(DWORD started, uint32_t waitMs) : m_held(takeSendMutex(started, waitMs)) {
    if (m_held) g_sendHolds.set(g_sendHolds.get() + 1);
  }
  ~SendTurn() {
    if (m_held) releaseSendMutex();
  }
  SendTurn(const SendTurn&) = delete;
  SendTurn& operator=(const SendTurn&) = delete;
  bool held() const { return m_held; }

 private:
  bool m_held;
};

bool uploadInFlight() {
  LogLock lock;
  return g_uploadInFlight != 0;
}

// Waits within the time left until no upload holds the log's text.
bool waitForSettledUpload(DWORD started, uint32_t waitMs) {
  return g_uploadSettled && WaitForSingleObject(g_uploadSettled.get(), timeLeft(started, waitMs)) == WAIT_OBJECT_0;
}

// Whether the log holds lines an upload for owner would carry. Checking does not create
// the log: a run that logged nothing leaves no block.
bool logHasTextFor(uint32_t owner) {
  LogLock lock;
  return g_log && g_log->stretches.holdsFor(owner);
}

// The log without what an upload for owner delivered of its first limit characters.
void dropDelivered(int32_t limit, uint32_t owner) {
  if (!g_log) return;
  const int32_t removed = g_log->stretches.removeCarried(g_log->buffer, limit, owner);
  const int32_t length = g_log->buffer.length();
  g_lineStart = g_lineStart >= limit ? g_lineStart - removed : (g_lineStart < length ? g_lineStart : length);
}

CInstallLog* theLog() {
  if (!g_log) {
    void* block = NPN_MemAlloc(sizeof(CInstallLog));
    if (block) g_log = new (block) CInstallLog;
  }
  return g_log;
}

// Each finished line also goes to the system's debug output, so that a debugger or a
// debug-output viewer follows the log as it is written, long before any upload.
void endLine(CInstallLog& log) {
  log.buffer.append("\r\n");
  if (g_lineStart < log.buffer.length()) OutputDebugStringA(log.buffer.text() + g_lineStart);
  g_lineStart = log.buffer.length();
}

// Appends what write adds to the log's text, filed under the calling thread's instance.
// Text that cannot be filed is not written: filed under nobody, it would go with every
// instance's upload.
template <class Write>
void appendFiled(Write&& write) {
  LogLock lock;
  CInstallLog* log = theLog();
  const uint32_t owner = threadInstance();
  if (!log || !log->stretches.canFile(owner)) return;
  const int32_t before = log->buffer.length();
  write(*log);
  log->stretches.file(owner, log->buffer.length() - before);
}

void appendToLog(const char* text, size_t count, bool lineEnds) {
  appendFiled([&](CInstallLog& log) {
    log.buffer.appendCounted(text, count);
    if (lineEnds) endLine(log);
  });
}

}  // namespace

void logText(const char* text) { appendToLog(text, std::strlen(text), false); }

void logLine(const char* text) { appendToLog(text, std::strlen(text), true); }

void logUnsignedLine(uint32_t n) {
  appendFiled([&](CInstallLog& log) {
    log.buffer.appendUnsigned(n);
    endLine(log);
  });
}

void logSignedLine(int32_t n) {
  appendFiled([&](CInstallLog& log) {
    log.buffer.appendSigned(n);
    endLine(log);
  });
}

void setInstallLogPoster(InstallLogPoster poster) { g_poster = poster; }

void CInstallLogPortion::beginUpload() {
  LogLock lock;
  m_upload = ++g_uploadsStarted;
  if (m_upload == 0) m_upload = ++g_uploadsStarted;
  g_uploadInFlight = m_upload;
  ResetEvent(g_uploadSettled.get());
}

void CInstallLogPortion::settle(bool delivered) const {
  LogLock lock;
  if (m_upload == 0 || m_upload != g_uploadInFlight) return;
  // Only the upload in flight takes text away, and the others append behind it: the log's
  // first m_limit characters are still those it carried from.
  if (delivered) dropDelivered(m_limit, m_owner);
  g_uploadInFlight = 0;
  SetEvent(g_uploadSettled.get());
}

void* CInstallLogPortion::settledEvent() { return g_uploadSettled.get(); }

void CInstallLogPortion::appendTo(CTextBuffer& body) {
  LogLock lock;
  m_length = 0;
  m_limit = 0;
  CInstallLog* log = theLog();
  if (!log) return;
  m_limit = log->buffer.length();
  log->stretches.seal();
  m_length = log->stretches.appendCarried(log->buffer, m_limit, m_owner, body);
  // A body without room for the text carries none of it, and the upload drops nothing.
  if (m_length == 0) m_limit = 0;
}

void sendInstallLog(const CLogInstance* instance, LogSendWait wait) {
  const DWORD started = GetTickCount();
  const uint32_t waitMs = wait.ms;
  const InstallLogPoster poster = g_poster;
  const uint32_t owner = threadInstance();
  if (!poster || !logHasTextFor(owner)) return;
  // The turn: the send mutex, and no upload holding the log's text. The text the upload
  // before carries may still go with it, or come back to this one.
  for (;;) {
    if (!waitForSettledUpload(started, waitMs)) return;
    SendTurn turn(started, waitMs);
    if (!turn.held()) return;
    if (uploadInFlight()) continue;
    if (!logHasTextFor(owner)) return;
    CInstallLogPortion portion(owner);
    poster(instance, portion, {timeLeft(started, waitMs), wait.forAnswer});
    return;
  }
}

InstallLogHold::InstallLogHold() { takeCounted(g_logLock, g_logHolds); }

InstallLogHold::~InstallLogHold() { releaseCounted(g_logLock, g_logHolds); }

InstallLogHold lockInstallLog() { return InstallLogHold(); }

InstallLogHolds installLogHolds() { return {g_logHolds.get(), g_sendHolds.get()}; }

void releaseInstallLogHoldsAbove(const InstallLogHolds& kept) {
  while (g_logHolds.get() > kept.log) releaseCounted(g_logLock, g_logHolds);
  while (g_sendHolds.get() > kept.send) releaseSendMutex();
}

char* copyInstallLogText() {
  LogLock lock;
  CInstallLog* log = theLog();
  return log ? log->buffer.copyText() : nullptr;
}

void releaseInstallLog() {
  LogLock lock;
  // An upload still under way settles nothing any more: the next log is a new one.
  g_uploadInFlight = 0;
  SetEvent(g_uploadSettled.get());
  if (!g_log) return;
  g_log->stretches.clear();
  g_log->~CInstallLog();
  NPN_MemFree(g_log);
  g_log = nullptr;
  g_lineStart = 0;
}
