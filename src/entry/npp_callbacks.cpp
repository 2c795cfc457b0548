// Plug-in callbacks: create and destroy the instance record, and hand every other call
// to the record's method. An instance whose record could not be made (NPP_New answered
// out of memory) has a null pdata; its callbacks answer "invalid instance" and do nothing.
#include "entry/npp_callbacks.h"

#include <new>

#include "base/host_services.h"
#include "base/string_copy.h"
#include "base/thread_instance.h"
#include "plugin/CMyPlugin.h"
#include "plugin/worker_wait.h"
#include "workflow/close_window.h"
#include "workflow/worker_thread.h"

namespace {

CMyPlugin* recordOf(NPP instance) {
  return instance ? static_cast<CMyPlugin*>(instance->pdata) : nullptr;
}

// A callback's record, the browser's thread working for its instance while the callback
// runs: what the callback logs is that instance's, and goes with its uploads only.
class InstanceCall {
 public:
  explicit InstanceCall(NPP instance)
      : m_record(recordOf(instance)), m_scope(m_record ? m_record->m_instanceNumber : threadInstance()) {}
  CMyPlugin* record() const { return m_record; }

 private:
  CMyPlugin* m_record;
  ThreadInstanceScope m_scope;
};

// After the worker has signalled its end it still has to leave its thread; the pause
// also gives the programs it started time to come up before the page goes away.
constexpr DWORD kPauseAfterWorkerMs = 2000;

// The worker, then a closing that a redirect started: both may still use the record.
void waitForWorker(CMyPlugin* plugin) {
  const bool workerRan = plugin->m_workerDoneEvent && plugin->m_workerStarted != 0;
  if (workerRan) waitAnsweringSentMessages(plugin->m_workerDoneEvent);
  waitForClosing(*plugin);
  if (plugin->m_workerDoneEvent) CloseHandle(plugin->m_workerDoneEvent);
  plugin->m_workerDoneEvent = nullptr;
  if (workerRan) Sleep(kPauseAfterWorkerMs);
}

}  // namespace

NPError NPP_New(NPMIMEType /*type*/, NPP instance, uint16 mode, int16 argc, char* argn[],
                char* argv[], NPSavedData* saved) {
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  void* block = NPN_MemAlloc(sizeof(CMyPlugin));
  if (!block) {
    instance->pdata = nullptr;
    return NPERR_OUT_OF_MEMORY_ERROR;
  }
  auto* plugin = new (block) CMyPlugin;
  const ThreadInstanceScope scope(plugin->m_instanceNumber);
  instance->pdata = plugin;
  plugin->m_npp = instance;
  // The session is opened by the worker (net/run_session.h): its profile search would hold the
  // page. The user agent is the browser's to give, on this thread.
  plugin->m_userAgent = copyString(NPN_UserAgent(instance));
  plugin->m_runControl = CRunControl::create();
  plugin->m_workerDoneEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return plugin->ReadParameters(mode, argc, argn, argv, saved);
}

NPError NPP_Destroy(NPP instance, NPSavedData** save) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  if (!plugin) return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
  // The page is being left: a download stops at once, the updater's install run does not.
  if (plugin->m_runControl) plugin->m_runControl->cancel();
  waitForWorker(plugin);
  const NPError result = plugin->Destroy(save);
  plugin->~CMyPlugin();
  NPN_MemFree(plugin);
  instance->pdata = nullptr;
  return result;
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  if (!plugin) return NPERR_INVALID_INSTANCE_ERROR;
  const NPError result = plugin->SetWindow(window);
  // The first window starts the instance's one worker, with or without a dialog.
  if (result == NPERR_NO_ERROR && plugin->m_npWindow) BeginRunningOstrelClient(*plugin);
  return result;
}

NPError NPP_NewStream(NPP instance, NPMIMEType /*type*/, NPStream* /*stream*/,
                      NPBool /*seekable*/, uint16* /*stype*/) {
  // No stream is ever taken, with or without a record.
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  return plugin ? plugin->CreateStream() : NPERR_GENERIC_ERROR;
}

NPError NPP_DestroyStream(NPP instance, NPStream* /*stream*/, NPReason /*reason*/) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  return plugin ? plugin->DestroyStream() : NPERR_INVALID_INSTANCE_ERROR;
}

void NPP_StreamAsFile(NPP instance, NPStream* /*stream*/, const char* /*fname*/) {
  const InstanceCall call(instance);
  if (CMyPlugin* plugin = call.record()) plugin->StreamAsFile();
}

int32 NPP_WriteReady(NPP instance, NPStream* /*stream*/) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  return plugin ? plugin->WriteReady() : 0;
}

int32 NPP_Write(NPP instance, NPStream* /*stream*/, int32 /*offset*/, int32 /*len*/,
                void* /*buffer*/) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  return plugin ? plugin->Write() : 0;
}

void NPP_Print(NPP instance, NPPrint* /*platformPrint*/) {
  const InstanceCall call(instance);
  if (CMyPlugin* plugin = call.record()) plugin->PrintInfo();
}

void NPP_URLNotify(NPP instance, const char* /*url*/, NPReason /*reason*/, void* /*notifyData*/) {
  const InstanceCall call(instance);
  CMyPlugin* plugin = call.record();
  if (!plugin) return;
  plugin->URLNotify();
  closeAfterRedirect(*plugin);
}
