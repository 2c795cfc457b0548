// CallClock: the elapsed time of one call, in whole milliseconds.
#include "call_clock.h"

#include "line_output.h"

void CallClock::report(const std::string& call) const {
  const auto elapsed = std::chrono::steady_clock::now() - m_start;
  const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  reportLine(call + " took " + std::to_string(ms) + " ms");
}
