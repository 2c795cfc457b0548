// AdaptiveReadSize: the read size follows the rate of the last full read.
#include "net/adaptive_read_size.h"

AdaptiveReadSize::AdaptiveReadSize(uint32_t most)
    : m_most(most), m_size(most < kLeastReadSize ? most : kLeastReadSize) {}

void AdaptiveReadSize::record(uint32_t asked, uint32_t got, uint32_t elapsedMs) {
  if (got < asked || got == 0 || m_most <= kLeastReadSize) return;
  // What the link gave in kReadTargetMs at this read's rate; a read that took no
  // measurable time came from what had already arrived, and says only "more".
  const uint64_t fitting = elapsedMs == 0 ? UINT64_MAX : uint64_t(got) * kReadTargetMs / elapsedMs;
  const uint64_t doubled = uint64_t(m_size) * 2;
  uint64_t next = fitting < doubled ? fitting : doubled;
  if (next > m_most) next = m_most;
  if (next < kLeastReadSize) next = kLeastReadSize;
  m_size = static_cast<uint32_t>(next);
}
