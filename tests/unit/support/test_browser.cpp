// TestBrowser: a minimal browser side of the plug-in interface for unit tests.
#include "support/test_browser.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "entry/entry_points.h"

namespace {

std::atomic<long long> g_balanceBytes{0};
std::atomic<long long> g_liveBlocks{0};
std::atomic<int> g_allocationsLeft{-1};  // -1: never fail
std::atomic<bool> g_faultOnAllocation{false};
std::mutex g_requestMutex;
std::vector<RecordedRequest> g_requests;

// Each block carries its size in front, so that frees can keep the balance.
void* testAlloc(uint32 size) {
  if (g_faultOnAllocation.exchange(false)) RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  int left = g_allocationsLeft.load();
  while (left >= 0) {
    if (left == 0) return nullptr;
    if (g_allocationsLeft.compare_exchange_weak(left, left - 1)) break;
  }
  auto* block = static_cast<uint32*>(std::malloc(size + 8));
  if (!block) return nullptr;
  block[0] = size;
  g_balanceBytes += size;
  ++g_liveBlocks;
  return block + 2;
}

void testFree(void* pointer) {
  if (!pointer) return;
  auto* block = static_cast<uint32*>(pointer) - 2;
  g_balanceBytes -= block[0];
  --g_liveBlocks;
  std::free(block);
}

const char* testUserAgent(NPP) { return TestBrowser::instance().userAgent().c_str(); }

NPError record(const char* url, const char* target, bool notify) {
  std::lock_guard<std::mutex> lock(g_requestMutex);
  g_requests.push_back({url ? url : "", target ? target : "", notify});
  return NPERR_NO_ERROR;
}

NPError testGetURL(NPP, const char* url, const char* target) { return record(url, target, false); }

NPError testGetURLNotify(NPP, const char* url, const char* target, void*) {
  return record(url, target, true);
}

}  // namespace

TestBrowser& TestBrowser::instance() {
  static TestBrowser browser;
  return browser;
}

TestBrowser::TestBrowser()
    : m_browserTable(), m_pluginTable(), m_userAgent("Mozilla/5.0 (Windows NT 5.1; rv:1.8) Gecko/20051111 Firefox/1.5") {
  m_browserTable.size = sizeof m_browserTable;
  m_browserTable.version = (0 << 8) | 9;
  m_browserTable.geturl = testGetURL;
  m_browserTable.geturlnotify = testGetURLNotify;
  m_browserTable.uagent = testUserAgent;
  m_browserTable.memalloc = testAlloc;
  m_browserTable.memfree = testFree;
  m_pluginTable.size = sizeof m_pluginTable;
}

void TestBrowser::install() {
  NP_GetEntryPoints(&m_pluginTable);
  NP_Initialize(&m_browserTable);
}

long long TestBrowser::balanceBytes() const { return g_balanceBytes.load(); }
long long TestBrowser::liveBlocks() const { return g_liveBlocks.load(); }
void TestBrowser::faultOnNextAllocation() { g_faultOnAllocation = true; }

void TestBrowser::failAllocationsAfter(int successfulAllocations) { g_allocationsLeft = successfulAllocations; }
void TestBrowser::stopFailingAllocations() { g_allocationsLeft = -1; }

std::vector<RecordedRequest> TestBrowser::requests() const {
  std::lock_guard<std::mutex> lock(g_requestMutex);
  return g_requests;
}

void TestBrowser::clearRequests() {
  std::lock_guard<std::mutex> lock(g_requestMutex);
  g_requests.clear();
}
