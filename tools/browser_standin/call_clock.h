// How long one call into the plug-in kept the browser's thread: started before the call,
// reported after it as "CALL took N ms" on a line of its own, so that the lines that
// report the call's answer keep their form.
#pragma once

#include <chrono>

class CallClock {
 public:
  CallClock() : m_start(std::chrono::steady_clock::now()) {}

  void report(const char* call) const;

 private:
  std::chrono::steady_clock::time_point m_start;
};
