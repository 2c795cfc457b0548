// The browser's allocator as the native fuzz builds give it to host_services.cpp: malloc
// and free behind the real browser table, with a count of live blocks and a switch that
// makes allocations fail, so that the harnesses can check for lost blocks and drive the
// code's out-of-memory paths.
#pragma once

#include <cstddef>

namespace native_browser {

// Blocks handed out through NPN_MemAlloc and not yet given back.
long liveBlocks();
// Allocations made since the program started.
long allocations();
// After `successful` more allocations every further one fails; negative: none fail.
void failAllocationsAfter(long successful);

}  // namespace native_browser
