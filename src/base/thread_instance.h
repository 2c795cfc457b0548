// Which plug-in instance the calling thread works for, as the instance's number: the
// install log files each line under it, so that an upload carries its own instance's
// lines and never another's. Set for its scope by the browser's callbacks and the window
// procedures of an instance, for their whole life by the instance's worker and closing
// threads, and handed to a detached job by the thread that starts it. 0: no instance.
#pragma once

#include <cstdint>

// The calling thread's instance number.
uint32_t threadInstance();

// A number no instance of this process had before (never 0).
uint32_t newInstanceNumber();

// Makes number the calling thread's instance for the scope's life, then restores the one
// before.
class ThreadInstanceScope {
 public:
  explicit ThreadInstanceScope(uint32_t number);
  ~ThreadInstanceScope();
  ThreadInstanceScope(const ThreadInstanceScope&) = delete;
  ThreadInstanceScope& operator=(const ThreadInstanceScope&) = delete;

 private:
  uint32_t m_before;
};
