// Where a download's progress goes: the instance's progress bar, which lives above the
// network code. The download tells it the bytes as they come; null when nothing shows it.
#pragma once

#include <cstdint>

class CProgressSink {
 public:
  // The total in bytes of a download of a single file of unknown size (its answer's
  // length, or an estimate).
  virtual void setTotal(int64_t bytes) = 0;
  // Bytes received.
  virtual void advance(uint32_t bytes) = 0;
  // A download of a single file has ended: its bar shows full.
  virtual void showFull() const = 0;

 protected:
  ~CProgressSink() = default;
};
