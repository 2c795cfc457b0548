// The install log: a CTextBuffer behind a lock, created on first use.
#include "log/install_log.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "base/host_services.h"
#include "base/recursive_lock.h"
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

// Held for a whole send, but not the log's own lock: other threads go on logging while
// an upload waits on the network. Recursive for the same reason as the log's lock.
CRecursiveLock g_sendLock;
std::atomic<InstallLogPoster> g_poster{nullptr};

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

struct SendLock : CountedHold {
  SendLock() : CountedHold(g_sendLock, g_sendHolds) {}
};

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

void sendInstallLog(CRunContext* instance) {
  SendLock sending;
  {
    LogLock lock;
    // Checking for text does not create the log: a run that logged nothing leaves no block.
    if (!g_log || g_log->buffer.length() == 0) return;
  }
  const InstallLogPoster poster = g_poster;
  if (!poster) return;
  CInstallLogPortion portion;
  if (!poster(instance, portion)) return;
  // Only this send takes text away, and the others append behind it: the front of the
  // log is still exactly what the upload carried.
  LogLock lock;
  if (!g_log) return;
  g_log->buffer.removeFront(portion.length());
  g_lineStart = g_lineStart > portion.length() ? g_lineStart - portion.length() : 0;
}

InstallLogHold::InstallLogHold() { takeCounted(g_logLock, g_logHolds); }

InstallLogHold::~InstallLogHold() { releaseCounted(g_logLock, g_logHolds); }

InstallLogHold lockInstallLog() { return InstallLogHold(); }

InstallLogHolds installLogHolds() { return {g_logHolds.get(), g_sendHolds.get()}; }

void releaseInstallLogHoldsAbove(const InstallLogHolds& kept) {
  while (g_logHolds.get() > kept.log) releaseCounted(g_logLock, g_logHolds);
  while (g_sendHolds.get() > kept.send) releaseCounted(g_sendLock, g_sendHolds);
}

char* copyInstallLogText() {
  LogLock lock;
  CInstallLog* log = theLog();
  return log ? log->buffer.copyText() : nullptr;
}

void releaseInstallLog() {
  LogLock lock;
  if (!g_log) return;
  g_log->~CInstallLog();
  NPN_MemFree(g_log);
  g_log = nullptr;
  g_lineStart = 0;
}
