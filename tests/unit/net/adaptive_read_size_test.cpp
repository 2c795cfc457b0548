// The read size a package's body copy asks for: within its bounds whatever the link does,
// large on a fast link, small enough on a slow one that a read comes within a second.
#include <gtest/gtest.h>

#include "net/adaptive_read_size.h"
#include "net/file_download.h"

TEST(AdaptiveReadSize, FollowsTheLinkWithinItsBounds) {
  AdaptiveReadSize size(kLargeTransferSize);
  EXPECT_EQ(size.size(), kLeastReadSize);
  // Reads that come at once: doubling up to the buffer's size, never past it.
  for (int i = 0; i < 10; ++i) size.record(size.size(), size.size(), 0);
  EXPECT_EQ(size.size(), kLargeTransferSize);
  // 2 MiB/s: a full read takes 125 ms, still within the target.
  size.record(size.size(), size.size(), 125);
  EXPECT_EQ(size.size(), kLargeTransferSize);
  // A link of 8 KiB/s: 256 KiB took 32 s; the next read is the smallest, half a second.
  size.record(size.size(), size.size(), 32000);
  EXPECT_EQ(size.size(), kLeastReadSize);
  // The body's end (a short read) tells nothing of the link.
  size.record(kLeastReadSize, 100, 0);
  EXPECT_EQ(size.size(), kLeastReadSize);
  // 1 Mbit/s: 16 KiB in 125 ms grows to what comes in 250 ms.
  size.record(16 << 10, 16 << 10, 125);
  EXPECT_EQ(size.size(), 8u << 10);
  size.record(8 << 10, 8 << 10, 62);
  EXPECT_EQ(size.size(), 16u << 10);
  // A buffer smaller than the least read is never overrun.
  AdaptiveReadSize tiny(1024);
  tiny.record(1024, 1024, 0);
  EXPECT_EQ(tiny.size(), 1024u);
}
