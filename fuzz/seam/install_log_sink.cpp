// The install log's writing side for the native fuzz builds: the text code logs refusals,
// and the real log (install_log.cpp) needs the system's critical sections, debug output and
// upload. Here every text is read to its end, so that the sanitizers see an unterminated
// or freed text handed to the log, and then dropped.
#include <cstring>
#include <mutex>

#include "log/install_log.h"

namespace {

std::recursive_mutex g_logMutex;
volatile size_t g_loggedBytes = 0;

void take(const char* text) { g_loggedBytes = g_loggedBytes + std::strlen(text); }

}  // namespace

void logText(const char* text) { take(text); }
void logLine(const char* text) { take(text); }
void logUnsignedLine(uint32_t) {}
void logSignedLine(int32_t) {}

InstallLogHold::InstallLogHold() { g_logMutex.lock(); }
InstallLogHold::~InstallLogHold() { g_logMutex.unlock(); }
InstallLogHold lockInstallLog() { return InstallLogHold(); }
