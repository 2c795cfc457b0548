// ClosePluginWindow and the thread that runs it after a redirect.
#include "workflow/close_window.h"

#include <windows.h>

#include "base/host_services.h"
#include "base/run_control.h"
#include "base/scoped_handle.h"
#include "base/thread_instance.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/page_requests.h"
#include "plugin/worker_wait.h"
#include "workflow/startup_event.h"

namespace {

// How long the client may take to say it is up, and the pause before the window goes.
constexpr DWORD kStartupWaitMs = 20000;
constexpr DWORD kPauseBeforeCloseMs = 2000;

// Waits until the client says it is up, the wait's time is over or the page is left,
// whichever comes first. Leaving wakes this instance's wait alone: the named event is
// shared with other instances and processes, which must go on waiting for their client.
void waitForClientStartup(const CMyPlugin& plugin) {
  const ScopedKernelHandle event(openStartupEvent());
  if (!event) return;
  const HANDLE left = plugin.m_runControl ? plugin.m_runControl->cancelEvent() : nullptr;
  const HANDLE waits[] = {event.get(), left};
  WaitForMultipleObjects(left ? 2 : 1, waits, FALSE, kStartupWaitMs);
}

// The pause before the window goes; false when the page was left meanwhile.
bool pauseBeforeClosing(const CMyPlugin& plugin) {
  if (const HANDLE left = plugin.m_runControl ? plugin.m_runControl->cancelEvent() : nullptr)
    return WaitForSingleObject(left, kPauseBeforeCloseMs) == WAIT_TIMEOUT;
  Sleep(kPauseBeforeCloseMs);
  return true;
}

DWORD WINAPI closingThreadProc(LPVOID parameter) {
  auto* plugin = static_cast<CMyPlugin*>(parameter);
  const ThreadInstanceScope scope(plugin->m_instanceNumber);
  ClosePluginWindow(*plugin);
  return 0;
}

}  // namespace

void ClosePluginWindow(CMyPlugin& plugin) {
  runGuarded(&plugin, "CMyPlugin::ClosePluginWindow()", [&] {
    const HWND frame = plugin.m_frameWindow;
    if (!frame || !IsWindow(frame)) return;
    RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    waitForClientStartup(plugin);
    // Nothing is closed or loaded once the page has been left: the user has moved on.
    if (runCancelled(plugin)) return;
    const char* closingPage = plugin.m_page.closeWindowUrl;
    if (!closingPage) {
      if (pauseBeforeClosing(plugin)) PostMessageA(frame, WM_CLOSE, 0, 0);
      return;
    }
    // Through the dialog the page is loaded on the browser's thread; a dialog that has
    // gone meanwhile leaves the direct call.
    if (!postPageRequest(plugin, PageRequest::kClosingPage)) loadClosingPage(plugin);
  });
}

bool claimClosing(CMyPlugin& plugin) { return InterlockedExchange(&plugin.m_closingClaimed, 1) == 0; }

void closeAfterRedirect(CMyPlugin& plugin) {
  if (!plugin.m_frameWindow || !claimClosing(plugin)) return;
  plugin.m_closingThread = CreateThread(nullptr, 0, closingThreadProc, &plugin, 0, nullptr);
  if (plugin.m_closingThread) return;
  // Without its thread the closing is not made, and the claim goes back for a later one.
  const auto held = lockInstallLog();
  logText("The window is not closed: no thread could be made for the closing, error ");
  logUnsignedLine(GetLastError());
  InterlockedExchange(&plugin.m_closingClaimed, 0);
}

void waitForClosing(CMyPlugin& plugin) {
  const HANDLE thread = plugin.m_closingThread;
  if (!thread) return;
  waitAnsweringSentMessages(thread);
  CloseHandle(thread);
  plugin.m_closingThread = nullptr;
}
