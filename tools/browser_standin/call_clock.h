// How long one call into the plug-in kept the browser's thread: started before the call,
// reported after it as "CALL took N ms" on a line of its own, so that the lines that
// report the call's answer keep their form.
#pragma once

#include <chrono>
#include <string>

class CallClock {
 public:
  CallClock() : m_start(std::chrono::steady_clock::now()) {}

  // call is the line's start: the callback's name, after the instance's prefix if any.
  void report(const std::string& call) const;

 private:
  std::chrono::steady_clock::time_point m_start;
};
