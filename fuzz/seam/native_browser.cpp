// A native browser table for the fuzz builds: the real host_services.cpp reaches malloc and
// free through it exactly as it reaches the browser's allocator in the DLL.
#include "native_browser.h"

#include <cstdlib>

#include "base/host_services.h"

namespace {

long g_live = 0;
long g_allocations = 0;
long g_allowed = -1;

void* nativeAlloc(uint32 size) {
  if (g_allowed == 0) return nullptr;
  if (g_allowed > 0) --g_allowed;
  // A browser hands out a block even for 0 bytes; malloc(0) may not.
  void* block = std::malloc(size ? size : 1);
  if (!block) return nullptr;
  ++g_live;
  ++g_allocations;
  return block;
}

void nativeFree(void* block) {
  if (!block) return;
  --g_live;
  std::free(block);
}

NPNetscapeFuncs makeTable() {
  NPNetscapeFuncs table = {};
  table.size = sizeof table;
  table.version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  table.memalloc = nativeAlloc;
  table.memfree = nativeFree;
  return table;
}

NPNetscapeFuncs g_table = makeTable();

// Installed before the fuzzer calls the first harness, as NP_Initialize would install it.
struct TableInstaller {
  TableInstaller() { setBrowserFuncs(&g_table); }
} g_installer;

}  // namespace

namespace native_browser {

long liveBlocks() { return g_live; }
long allocations() { return g_allocations; }
void failAllocationsAfter(long successful) { g_allowed = successful < 0 ? -1 : successful; }

}  // namespace native_browser
