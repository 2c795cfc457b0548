// What one archive's unpacking needs of its run, in one value the workflow builds: the
// run's limits (the unpack bounds they lower) and the control that says the page was left.
#pragma once

#include "base/run_control.h"
#include "base/run_limits.h"

struct Unpacking {
  RunLimits limits;
  const CRunControl* control = nullptr;  // null: the unpacking cannot be cancelled
};
