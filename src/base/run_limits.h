// RunLimits: what a test or a benchmark may change of one run's downloads, held by the
// run's context instead of process-wide, so that it reaches that run alone. A 0 keeps the
// product's own value; the product's runs leave every field 0.
#pragma once

#include <cstdint>

struct RunLimits {
  // The most bytes a body without a declared length may have.
  uint32_t mostUnknownSizeBytes = 0;
  // The size of a package's reads; more than the product's own is cut to it.
  uint32_t packageReadSize = 0;
  // One timeout for connecting, sending and receiving, in place of the download timeouts.
  uint32_t timeoutMs = 0;
};
