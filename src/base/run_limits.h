// RunLimits: what a test or a benchmark may change of one run's downloads and unpacking,
// held by the run's context instead of process-wide, so that it reaches that run alone. A
// 0 keeps the product's own value; the product's runs leave every field 0.
#pragma once

#include <cstdint>

struct RunLimits {
  // The most bytes a body without a declared length may have.
  uint32_t mostUnknownSizeBytes = 0;
  // A fixed size for a package's reads in place of one that follows the link; more than
  // the largest read is cut to it.
  uint32_t packageReadSize = 0;
  // One timeout for connecting, sending and receiving, in place of the download timeouts.
  uint32_t timeoutMs = 0;
  // The most one archive may unpack to, in MiB, in place of kMostUnpackedBytes (1 GiB):
  // a test shows that bound without writing a gibibyte.
  uint32_t mostUnpackedMiB = 0;
  // The free space, in MiB, that unpacking must leave on the destination's disk, in place
  // of kLeastFreeDiskBytes (100 MiB): a test asks for more than any disk has.
  uint32_t leastFreeDiskMiB = 0;
};
