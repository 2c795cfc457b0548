// scaledMs.
#include "support/time_scale.h"

namespace {

// Measured: a stalled request and a body read both take three to five times as long
// inside the emulated machine, and more when it is loaded.
constexpr DWORD kEmulatedFactor = 8;

}  // namespace

DWORD scaledMs(DWORD ms) {
  static const bool emulated = GetEnvironmentVariableA("OSTREL_IN_GUEST", nullptr, 0) > 0;
  return emulated ? ms * kEmulatedFactor : ms;
}
