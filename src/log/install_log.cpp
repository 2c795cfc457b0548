// The install log: a CTextBuffer behind a lock, created on first use.
#include "log/install_log.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "base/host_services.h"
#include "base/recursive_lock.h"
#include "base/scoped_handle.h"
#include "base/thread_count.h"
#include "log/CTextBuffer.h"

namespace {

// The process-wide log object; lives in an allocator block like all plug-in data.
class CInstallLog {
 public:
  CTextBuffer buffer;
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

bool logHasText() {
  LogLock lock;
  // Checking for text does not create the log: a run that logged nothing leaves no block.
  return g_log && g_log->buffer.length() > 0;
}

// The log's text without the front an upload delivered.
void dropFront(int32_t length) {
  if (!g_log) return;
  g_log->buffer.removeFront(length);
  g_lineStart = g_lineStart > length ? g_lineStart - length : 0;
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

void appendToLog(const char* text, size_t count, bool lineEnds) {
  LogLock lock;
  CInstallLog* log = theLog();
  if (!log) return;
  log->buffer.appendCounted(text, count);
  if (lineEnds) endLine(*log);
}

}  // namespace

void logText(const char* text) { appendToLog(text, std::strlen(text), false); }

void logLine(const char* text) { appendToLog(text, std::strlen(text), true); }

void logUnsignedLine(uint32_t n) {
  LogLock lock;
  if (CInstallLog* log = theLog()) {
    log->buffer.appendUnsigned(n);
    endLine(*log);
  }
}

void logSignedLine(int32_t n) {
  LogLock lock;
  if (CInstallLog* log = theLog()) {
    log->buffer.appendSigned(n);
    endLine(*log);
  }
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
  // Only the upload in flight takes text away, and the others append behind it: the front
  // of the log is still exactly what it carried.
  if (delivered) dropFront(m_length);
  g_uploadInFlight = 0;
  SetEvent(g_uploadSettled.get());
}

void* CInstallLogPortion::settledEvent() { return g_uploadSettled.get(); }

void CInstallLogPortion::appendTo(CTextBuffer& body) {
  LogLock lock;
  m_length = 0;
  CInstallLog* log = theLog();
  if (!log) return;
  const int32_t before = body.length();
  const int32_t count = log->buffer.length();
  body.appendCounted(log->buffer.text(), static_cast<size_t>(count));
  if (body.length() == before + count) m_length = count;
}

void sendInstallLog(CRunContext* instance, LogSendWait wait) {
  const DWORD started = GetTickCount();
  const uint32_t waitMs = wait.ms;
  const InstallLogPoster poster = g_poster;
  if (!poster || !logHasText()) return;
  // The turn: the send mutex, and no upload holding the log's text. The text the upload
  // before carries may still go with it, or come back to this one.
  for (;;) {
    if (!waitForSettledUpload(started, waitMs)) return;
    SendTurn turn(started, waitMs);
    if (!turn.held()) return;
    if (uploadInFlight()) continue;
    if (!logHasText()) return;
    CInstallLogPortion portion;
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
  g_log->~CInstallLog();
  NPN_MemFree(g_log);
  g_log = nullptr;
  g_lineStart = 0;
}
