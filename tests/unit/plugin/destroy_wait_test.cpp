// NPP_Destroy and the worker: it waits for a worker that runs, answers the messages sent
// to the browser thread meanwhile but leaves the posted ones queued, and never waits for
// a worker that never started.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/run_control.h"
#include "plugin/work_directory.h"
#include "support/plugin_instance.h"

namespace {

std::atomic<int> g_messagesHandled{0};

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    ++g_messagesHandled;
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A window of the browser's (this) thread, like the progress bar the worker feeds.
HWND makeReceiver() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = countingProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "OstrelTestReceiver";
  RegisterClassA(&windowClass);
  return CreateWindowA("OstrelTestReceiver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST(DestroyWait, WaitsForTheWorkerAndAnswersWhatItSendsButNotWhatIsPosted) {
  HWND receiver = makeReceiver();
  ASSERT_NE(receiver, nullptr);
  g_messagesHandled = 0;
  PluginInstance plugin({});
  CMyPlugin* record = plugin.record();
  record->m_workerStarted = 1;
  HANDLE done = record->m_workerDoneEvent;

  std::atomic<LRESULT> answer{0};
  std::atomic<DWORD> signalledAt{0};
  std::thread worker([&] {
    // Blocks until the browser's thread, now inside NPP_Destroy, handles it.
    answer = SendMessageA(receiver, WM_APP, 0, 0);
    signalledAt = GetTickCount();
    SetEvent(done);
  });
  // Like a WM_CLOSE for the browser's window or a dialog's request: not handled inside NPP_Destroy.
  PostMessageA(receiver, WM_APP, 0, 0);
  EXPECT_EQ(plugin.destroy(), NPERR_NO_ERROR);
  const DWORD returnedAt = GetTickCount();
  worker.join();
  MSG posted;
  EXPECT_TRUE(PeekMessageA(&posted, receiver, WM_APP, WM_APP, PM_REMOVE));

  EXPECT_EQ(answer.load(), 1);
  EXPECT_EQ(g_messagesHandled.load(), 1);
  // The pause after the worker's end: Sleep never returns early; the margin covers the
  // tick counter's resolution.
  EXPECT_GE(returnedAt - signalledAt.load(), 1950u);
  DestroyWindow(receiver);
}

TEST(DestroyWait, WorkerThatNeverStartedIsNotWaitedFor) {
  PluginInstance plugin({});
  ASSERT_EQ(plugin.record()->m_workerStarted, 0);
  // The event is never signalled: a wait here would never end.
  EXPECT_EQ(plugin.destroy(), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.npp.pdata, nullptr);
}

// A download the worker walked away from holds its file in the work directory until its
// job ends, and the job holds the run's control: the folder stays claimed until then, so
// that a page loaded again meanwhile works in another folder and never meets that file.
TEST(DestroyWait, TheWorkDirectoryStaysClaimedWhileAJobOfTheRunLivesOn) {
  PluginInstance left({});
  claimInstanceWorkDirectory(*left.record());
  const std::string folder = left.record()->m_workDirectory;
  CRunControl* control = left.record()->m_runControl;
  ASSERT_NE(control, nullptr);
  control->addRef();  // the walked-away job's hold
  EXPECT_EQ(left.destroy(), NPERR_NO_ERROR);
  {
    PluginInstance reloaded({});
    claimInstanceWorkDirectory(*reloaded.record());
    EXPECT_NE(std::string(reloaded.record()->m_workDirectory), folder);
  }
  control->release();  // the job has let go of its file
  PluginInstance later({});
  claimInstanceWorkDirectory(*later.record());
  EXPECT_EQ(std::string(later.record()->m_workDirectory), folder);
}
