// The harnesses' assertion: a broken promise of the code under test is a finding, so it
// stops the run with a message the way a sanitizer report does.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "native_browser.h"

#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// Every block the code took from the browser's allocator for one input has gone back.
#define FUZZ_CHECK_NO_LIVE_BLOCKS() FUZZ_CHECK(native_browser::liveBlocks() == 0)
