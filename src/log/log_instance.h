// An instance as the install log knows it: the number its threads file their lines under
// (base/thread_instance.h), and what a send of the log is made for. The instance record
// derives from it; the log and the fault guard never look further, and the poster that
// builds an upload (registered from above) finds the record from it.
#pragma once

#include <cstdint>

#include "base/thread_instance.h"

class CLogInstance {
 public:
  CLogInstance() = default;
  CLogInstance(const CLogInstance&) = delete;
  CLogInstance& operator=(const CLogInstance&) = delete;

  // Given once, when the record is made.
  const uint32_t m_instanceNumber = newInstanceNumber();
};
