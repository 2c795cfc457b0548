// The one line each benchmark program prints: seconds, bytes, CPU time and peak memory.
#pragma once

#include <windows.h>

#include <cstdint>

// Where a measured run started: the wall clock and the process's CPU time so far, so that
// the program's own start under Wine is left out of both.
struct RunStart {
  LARGE_INTEGER counter;
  uint64_t user100ns;
  uint64_t kernel100ns;
};

RunStart startRun();
void reportRun(const char* name, const RunStart& start, uint64_t bytes);
