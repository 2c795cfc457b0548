// BeginRunningOstrelClient and RunOstrelClientThreadProc.
#include "workflow/worker_thread.h"

#include "base/run_control.h"
#include "base/scoped_handle.h"
#include "base/thread_instance.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_session.h"
#include "plugin/work_directory.h"
#include "workflow/close_window.h"
#include "workflow/driver.h"

void BeginRunningOstrelClient(CMyPlugin& plugin) {
  runGuarded(&plugin, "CMyPlugin::BeginRunningOstrelClient()", [&] {
    // A worker whose end cannot be signalled could not be waited for before the record
    // goes: without the done event, none is started.
    if (plugin.m_workerStarted || !plugin.m_workerDoneEvent) return;
    const ScopedKernelHandle thread(CreateThread(nullptr, 0, RunOstrelClientThreadProc, &plugin, 0, nullptr));
    if (!thread) return;
    plugin.m_workerStarted = 1;
  });
}

DWORD WINAPI RunOstrelClientThreadProc(LPVOID record) {
  auto* plugin = static_cast<CMyPlugin*>(record);
  // The thread works for its instance alone, for its whole life.
  const ThreadInstanceScope scope(plugin ? plugin->m_instanceNumber : 0);
  runGuarded(plugin, "RunOstrelClientThreadProc()", [&] {
    // First, so that the profile search's lines come before the run's.
    claimInstanceWorkDirectory(*plugin);
    if (!openRunSessionForWorker(*plugin)) return;
    // A page left while the session opened (the profile search can take long) ends the
    // run here: no box, least of all one that would hold the browser's NPP_Destroy.
    if (runCancelled(*plugin)) return noteRunCancelled(*plugin);
    runOstrelClient(*plugin);
    if (plugin->m_frameWindow && claimClosing(*plugin)) ClosePluginWindow(*plugin);
  });
  if (plugin && plugin->m_workerDoneEvent) SetEvent(plugin->m_workerDoneEvent);
  return 0;
}
