// The install log: one process-wide text that every part of the plug-in appends to and
// that is uploaded to the server. Each line is filed under the instance its thread works
// for (base/thread_instance.h): an instance's upload carries its own lines and those of no
// instance, never another instance's. Safe to use from the browser's thread and every
// worker.
#pragma once

#include <cstdint>

class CLogInstance;
class CTextBuffer;

void logText(const char* text);
void logLine(const char* text);
void logUnsignedLine(uint32_t n);
void logSignedLine(int32_t n);

// The most wall time an upload takes for its caller, from connecting to closing its
// request, whatever the receiver does.
constexpr uint32_t kLogUploadLimitMs = 10000;

// How long a send holds its caller: ms at most, for its turn and its upload's body, and
// with forAnswer for the receiver's answer too.
struct LogSendWait {
  uint32_t ms;
  bool forAnswer;
};
// The page's last send, at teardown: the answer too, within the upload's limit.
constexpr LogSendWait kTeardownSend = {kLogUploadLimitMs, true};
// A fault's send: the faulting thread (the browser's, for a fault in a callback) is held
// 100 ms at most, for the body; the upload goes on, on its own job.
constexpr LogSendWait kFaultSend = {100, false};

// Uploads the log on behalf of an instance through the poster. The upload's body carries
// the log as it stands, of the lines filed under the calling thread's instance and under
// none; once that body has been written whole, the text it carried is
// dropped, whatever the receiver's answer and its timing, and lines written meanwhile
// stay for the next send. A connection or a body that failed keeps the log whole. One
// upload holds the log at a time: a send waits for the one before it to write its body
// or fail. The caller waits as wait says; the upload goes on without it. An empty log is
// never sent, and without a poster nothing is.
void sendInstallLog(const CLogInstance* instance, LogSendWait wait);

// The part of the log that one upload carries: taken when the upload's body is built,
// so that lines written while the report in front of it was made go with it. A copy goes
// with the upload, which settles it once: the log then drops the text it carried, or not.
class CInstallLogPortion {
 public:
  // The portion an upload for the instance numbered owner carries (0: no instance).
  explicit CInstallLogPortion(uint32_t owner) : m_owner(owner) {}
  // Appends the log's text as it stands now to body and remembers how much it took
  // (nothing when body had no room for it).
  void appendTo(CTextBuffer& body);
  int32_t length() const { return m_length; }
  // The upload that carries the portion has started: until it settles, no other send
  // takes the log's text.
  void beginUpload();
  // Once per started upload: delivered when its body was written whole. Later calls, and
  // calls after the log was released, change nothing.
  void settle(bool delivered) const;
  // Signalled once no upload holds the log's text (for a wait on the upload's body).
  static void* settledEvent();

 private:
  uint32_t m_owner;
  int32_t m_length = 0;   // the characters carried
  int32_t m_limit = 0;    // of the log's first m_limit characters
  uint32_t m_upload = 0;  // the started upload's number, 0 before
};

// Builds and posts an upload for an instance, waiting as wait says (its ms is the time
// the send has left). The upload itself lives above the log, which only knows it through
// this pointer. A poster that starts an upload calls beginUpload on the portion and sees
// it settled.
using InstallLogPoster = void (*)(const CLogInstance* instance, CInstallLogPortion& log, LogSendWait wait);
void setInstallLogPoster(InstallLogPoster poster);

// Holds the log for several appends that must stay together (a line built from parts).
class InstallLogHold {
 public:
  InstallLogHold();
  ~InstallLogHold();
  InstallLogHold(const InstallLogHold&) = delete;
  InstallLogHold& operator=(const InstallLogHold&) = delete;
};
InstallLogHold lockInstallLog();

// How many times the calling thread holds the log's locks. A fault's recovery jumps past
// the destructors that would let them go, so a guard notes the count when it starts and,
// after a fault, gives back every hold taken since: another thread's next line must not
// wait forever.
struct InstallLogHolds {
  int log;
  int send;
};
InstallLogHolds installLogHolds();
void releaseInstallLogHoldsAbove(const InstallLogHolds& kept);

// A copy of the log's text in an allocator block (the caller frees it); null without room.
char* copyInstallLogText();
// Returns the log's memory to the browser; done before the browser's table is forgotten,
// since nothing could free it afterwards.
void releaseInstallLog();
