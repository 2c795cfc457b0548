// The size of a package's next read, chosen from what the link delivers. A read returns
// only once all it asked for has come, so on a slow link a large read holds the progress
// bar still for seconds; on a fast one, small reads cost a round trip each. The size
// starts small, at most doubles after a read that came at once, and falls to what the
// link delivered in a quarter of a second after a slow one.
#pragma once

#include <cstdint>

// The smallest read: on a 64 kbit/s link it comes in half a second.
constexpr uint32_t kLeastReadSize = 4u << 10;
// A read should take about this long, so that the bar moves several times a second.
constexpr uint32_t kReadTargetMs = 250;

class AdaptiveReadSize {
 public:
  // most: the largest read (the copy's buffer); a most below kLeastReadSize is used as is.
  explicit AdaptiveReadSize(uint32_t most);
  uint32_t size() const { return m_size; }
  // A read that asked for `asked` bytes got `got` of them in `elapsedMs`. A short read
  // (the body's end) tells nothing of the link and changes nothing.
  void record(uint32_t asked, uint32_t got, uint32_t elapsedMs);

 private:
  uint32_t m_most;
  uint32_t m_size;
};
