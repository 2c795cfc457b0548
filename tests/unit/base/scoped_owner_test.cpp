// The scoped owners: each handle or block is given back exactly once, by whoever holds it
// last, and never after it was released.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/scoped_handle.h"
#include "support/test_browser.h"

namespace {

// Handles are plain numbers here; closing one records it.
std::vector<int> g_closed;

struct CountingTraits {
  using Handle = int;
  static Handle none() { return 0; }
  static void close(Handle handle) { g_closed.push_back(handle); }
};

using CountingHandle = ScopedHandle<CountingTraits>;

TEST(ScopedHandle, ClosesEachHandleOnceWhateverWayItLeaves) {
  g_closed.clear();
  {
    CountingHandle first(1);
    first.reset(2);  // 1 is closed at once
    CountingHandle moved(std::move(first));
    EXPECT_FALSE(first);
    CountingHandle assigned(3);
    assigned = std::move(moved);  // 3 is closed, 2 changes owner
    EXPECT_EQ(assigned.get(), 2);
    CountingHandle released(4);
    EXPECT_EQ(released.release(), 4);
    EXPECT_FALSE(released);
  }
  EXPECT_EQ(g_closed, (std::vector<int>{1, 3, 2}));
}

TEST(ScopedBlock, GivesEveryBlockBackExceptTheReleasedOne) {
  const long long before = TestBrowser::instance().liveBlocks();
  void* kept = nullptr;
  {
    ScopedBlock<char> first(static_cast<char*>(NPN_MemAlloc(8)));
    ScopedBlock<char> second(static_cast<char*>(NPN_MemAlloc(8)));
    second = std::move(first);  // second's own block goes back here
    EXPECT_FALSE(first);
    EXPECT_EQ(TestBrowser::instance().liveBlocks(), before + 1);
    ScopedBlock<void> released(NPN_MemAlloc(8));
    kept = released.release();
  }
  EXPECT_EQ(TestBrowser::instance().liveBlocks(), before + 1);
  NPN_MemFree(kept);
  EXPECT_EQ(TestBrowser::instance().liveBlocks(), before);
}

}  // namespace
