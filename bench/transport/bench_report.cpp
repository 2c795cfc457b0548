// Reports a benchmark run: elapsed seconds, bytes, and the process's peak working set
// and peak private bytes, which show whether memory grows with the file.
#include "bench_report.h"

#include <psapi.h>

#include <cstdio>

void reportRun(const char* name, DWORD startTicks, uint64_t bytes) {
  const double seconds = (GetTickCount() - startTicks) / 1000.0;
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%s seconds=%.3f bytes=%llu peak_working_set_kib=%lu peak_private_kib=%lu\n", name, seconds,
              static_cast<unsigned long long>(bytes), static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
}
