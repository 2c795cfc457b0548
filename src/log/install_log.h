// The install log: one process-wide text that every part of the plug-in appends to and
// that is uploaded to the server. Safe to use from the browser's thread and every worker.
#pragma once

#include <cstdint>

class CRunContext;
class CTextBuffer;

void logText(const char* text);
void logLine(const char* text);
void logUnsignedLine(uint32_t n);
void logSignedLine(int32_t n);

// Uploads the log on behalf of an instance through the poster and, once the upload went
// through, drops the text it carried; lines written meanwhile stay for the next send. An
// empty log is never sent, and without a poster nothing is. One send at a time.
void sendInstallLog(CRunContext* instance);

// The part of the log that one upload carries: taken when the upload's body is built,
// so that lines written while the report in front of it was made go with it.
class CInstallLogPortion {
 public:
  // Appends the log's text as it stands now to body and remembers how much it took
  // (nothing when body had no room for it).
  void appendTo(CTextBuffer& body);
  int32_t length() const { return m_length; }

 private:
  int32_t m_length = 0;
};

// Builds and posts an upload for an instance; true when the request went through. The
// upload itself lives above the log, which only knows it through this pointer.
using InstallLogPoster = bool (*)(CRunContext* instance, CInstallLogPortion& log);
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
