// The install log: one process-wide text that every part of the plug-in appends to and
// that is uploaded to the server. Safe to use from the browser's thread and every worker.
#pragma once

#include <cstdint>
#include <mutex>

class CMyPlugin;

void logText(const char* text);
void logLine(const char* text);
void logUnsignedLine(uint32_t n);
void logSignedLine(int32_t n);

// Uploads the log on behalf of an instance and empties it once an upload went through.
// An empty log is never sent.
void sendInstallLog(CMyPlugin* instance);

// Holds the log for several appends that must stay together (a line built from parts).
std::unique_lock<std::recursive_mutex> lockInstallLog();

// A copy of the log's text in an allocator block (the caller frees it); null without room.
char* copyInstallLogText();
// Returns the log's memory to the browser; done before the browser's table is forgotten,
// since nothing could free it afterwards.
void releaseInstallLog();
