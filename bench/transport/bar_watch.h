// Watches a download's progress counter, which moves the progress bar, from a thread of
// its own: how often it moved and the longest time it stood still while the body came in
// (from its first move to its last).
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class CDownloadProgress;

class BarWatch {
 public:
  explicit BarWatch(const CDownloadProgress& progress);
  ~BarWatch();
  // Stops watching and prints "bar_moves=N longest_still_ms=M " (no line end).
  void report();

 private:
  void watch();

  const CDownloadProgress& m_progress;
  std::atomic<bool> m_stop{false};
  uint32_t m_moves = 0;
  uint32_t m_longestStillMs = 0;
  std::thread m_thread;
};
