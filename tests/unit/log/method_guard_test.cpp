// The method guard: real structured exceptions inside guarded bodies, nesting, threads,
// and exceptions that inner code handles itself.
#include "log/method_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/host_services.h"
#include "log/install_log.h"
#include "support/install_log_text.h"
#include "support/test_browser.h"

namespace {

std::string faultLines(const char* traceName, const char* code) {
  return std::string("pluginExceptionHandler() was called!\r\nException caught in ") + traceName +
         ".  Exception number: " + code + "\r\n";
}

// Reads through a pointer that the compiler cannot prove null.
int readThrough(volatile int* pointer) { return *pointer; }

volatile int* volatile g_unreadable = reinterpret_cast<volatile int*>(0x10);
volatile int g_zero = 0;

DWORD WINAPI logFromAnotherThread(void*) {
  logLine("from another thread");
  return 0;
}

class MethodGuard : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override { releaseInstallLog(); }
};

}  // namespace

TEST_F(MethodGuard, AccessViolationLeavesTwoLinesAndReturnsNormally) {
  const void* chainBefore = currentTranslator();
  bool after = false;
  const bool completed = runGuarded(nullptr, "CMyPlugin::SetWindow()", [&] {
    readThrough(g_unreadable);
    after = true;
  });
  EXPECT_FALSE(completed);
  EXPECT_FALSE(after);
  EXPECT_EQ(installLogText(), faultLines("CMyPlugin::SetWindow()", "3221225477"));
  EXPECT_EQ(currentTranslator(), chainBefore);
}

TEST_F(MethodGuard, BodyWithoutFaultRunsToItsEndAndLogsNothing) {
  int value = 0;
  EXPECT_TRUE(runGuarded(nullptr, "Quiet()", [&] { value = 5; }));
  EXPECT_EQ(value, 5);
  EXPECT_EQ(installLogText(), "");
}

TEST_F(MethodGuard, OtherFaultCodesAreReportedAsTheSystemGivesThem) {
  EXPECT_FALSE(runGuarded(nullptr, "Divide()", [] { g_zero = 10 / g_zero; }));
  EXPECT_FALSE(runGuarded(nullptr, "Raise()", [] { RaiseException(0xE0001234, 0, 0, nullptr); }));
  EXPECT_EQ(installLogText(), faultLines("Divide()", "3221225620") + faultLines("Raise()", "3758101044"));
}

TEST_F(MethodGuard, NestedGuardsRestoreTheChainInReverseOrder) {
  const void* original = currentTranslator();
  {
    CMethodGuard outer("Outer()");
    EXPECT_EQ(outer.previousTranslator(), original);
    const void* outerFrame = currentTranslator();
    EXPECT_NE(outerFrame, original);
    {
      CMethodGuard inner("Inner()");
      EXPECT_EQ(inner.previousTranslator(), outerFrame);
      EXPECT_STREQ(inner.name(), "Inner()");
    }
    EXPECT_EQ(currentTranslator(), outerFrame);
  }
  EXPECT_EQ(currentTranslator(), original);
}

TEST_F(MethodGuard, InnerGuardCatchesItsFaultAndTheOuterBodyGoesOn) {
  bool innerCompleted = true;
  bool outerWentOn = false;
  const bool outerCompleted = runGuarded(nullptr, "Outer()", [&] {
    innerCompleted = runGuarded(nullptr, "Inner()", [] { readThrough(g_unreadable); });
    outerWentOn = true;
  });
  EXPECT_FALSE(innerCompleted);
  EXPECT_TRUE(outerWentOn);
  EXPECT_TRUE(outerCompleted);
  EXPECT_EQ(installLogText(), faultLines("Inner()", "3221225477"));
}

TEST_F(MethodGuard, FaultAfterAnInnerGuardEndedReachesTheOuterOne) {
  const bool completed = runGuarded(nullptr, "Outer()", [] {
    runGuarded(nullptr, "Inner()", [] {});
    readThrough(g_unreadable);
  });
  EXPECT_FALSE(completed);
  EXPECT_EQ(installLogText(), faultLines("Outer()", "3221225477"));
}

TEST_F(MethodGuard, GuardsOnAnotherThreadCatchThatThreadsFaults) {
  bool completed = true;
  std::thread worker([&] {
    completed = runGuarded(nullptr, "RunOstrelClientThreadProc()", [] { readThrough(g_unreadable); });
  });
  worker.join();
  EXPECT_FALSE(completed);
  EXPECT_EQ(installLogText(), faultLines("RunOstrelClientThreadProc()", "3221225477"));
}

TEST_F(MethodGuard, ExceptionsThatInnerCodeHandlesAreNotFaults) {
  BOOL bad = FALSE;
  // The system probes the pointer under its own handler and takes the fault itself.
  EXPECT_TRUE(runGuarded(nullptr, "Probe()", [&] {
    bad = IsBadReadPtr(const_cast<int*>(g_unreadable), sizeof(int));
  }));
  EXPECT_TRUE(bad);
  EXPECT_EQ(installLogText(), "");
}

TEST_F(MethodGuard, RepeatedFaultsLeaveNoMemoryBehind) {
  const long long blocks = TestBrowser::instance().liveBlocks();
  for (int i = 0; i < 50; ++i) runGuarded(nullptr, "Again()", [] { readThrough(g_unreadable); });
  releaseInstallLog();
  EXPECT_EQ(TestBrowser::instance().liveBlocks(), blocks);
}

// The browser's allocator faults while the log grows, inside the log's lock. The guard
// catches it, and the lock is free again: another thread's line goes in at once.
TEST_F(MethodGuard, AFaultInsideTheLogsLockLeavesItFreeForOtherThreads) {
  EXPECT_FALSE(runGuarded(nullptr, "Grow()", [] {
    TestBrowser::instance().faultOnNextAllocation();
    logLine("the log is made here");
  }));
  HANDLE other = CreateThread(nullptr, 0, logFromAnotherThread, nullptr, 0, nullptr);
  ASSERT_NE(other, nullptr);
  const DWORD waited = WaitForSingleObject(other, 5000);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  if (waited != WAIT_OBJECT_0) TerminateThread(other, 1);
  CloseHandle(other);
  EXPECT_EQ(installLogText(), faultLines("Grow()", "3221225477") + "from another thread\r\n");
}
