// Reports a benchmark run: elapsed seconds, bytes, the process's user and kernel time
// spent in the run, and its peak working set and peak private bytes, which show whether
// memory grows with the file.
#include "bench_report.h"

#include <psapi.h>

#include <cstdio>

namespace {

uint64_t asNumber(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void processTimes(uint64_t* user, uint64_t* kernel) {
  FILETIME created, exited, kernelTime, userTime;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernelTime, &userTime);
  *user = asNumber(userTime);
  *kernel = asNumber(kernelTime);
}

unsigned long millisecondsOf(uint64_t hundredNs) { return static_cast<unsigned long>(hundredNs / 10000); }

}  // namespace

RunStart startRun() {
  RunStart start = {};
  processTimes(&start.user100ns, &start.kernel100ns);
  QueryPerformanceCounter(&start.counter);
  return start;
}

void reportRun(const char* name, const RunStart& start, uint64_t bytes) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const double seconds = static_cast<double>(now.QuadPart - start.counter.QuadPart) / frequency.QuadPart;
  uint64_t user = 0, kernel = 0;
  processTimes(&user, &kernel);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%s seconds=%.3f bytes=%llu user_ms=%lu kernel_ms=%lu peak_working_set_kib=%lu peak_private_kib=%lu\n",
              name, seconds, static_cast<unsigned long long>(bytes), millisecondsOf(user - start.user100ns),
              millisecondsOf(kernel - start.kernel100ns), static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
}
