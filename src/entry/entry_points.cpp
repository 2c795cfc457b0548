// Exports and library entry: exchange the function tables with the browser and record
// the module handle. The library's entry lives here so that the exports pull it in.
#include "entry/entry_points.h"

#include "base/host_services.h"
#include "base/module_handle.h"
#include "entry/npp_callbacks.h"
#include "log/install_log.h"
#include "workflow/log_sender.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) setPluginModule(module);
  return TRUE;
}

NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* table) {
  if (!table) return NPERR_INVALID_FUNCTABLE_ERROR;
  table->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  table->newp = NPP_New;
  table->destroy = NPP_Destroy;
  table->setwindow = NPP_SetWindow;
  table->newstream = NPP_NewStream;
  table->destroystream = NPP_DestroyStream;
  table->asfile = NPP_StreamAsFile;
  table->writeready = NPP_WriteReady;
  table->write = NPP_Write;
  table->print = NPP_Print;
  table->event = nullptr;
  // Kept so that NP_Initialize can add what depends on the browser's version.
  setPluginFuncs(table);
  return NPERR_NO_ERROR;
}

NPError WINAPI NP_Initialize(NPNetscapeFuncs* table) {
  if (!table) return NPERR_INVALID_FUNCTABLE_ERROR;
  // The log's sends reach the upload, which stands above the log, through this pointer.
  setInstallLogPoster(postInstanceLog);
  // Remembered before the version test: a refused browser's table stays known.
  setBrowserFuncs(table);
  if ((table->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  NPPluginFuncs* pluginTable = pluginFuncs();
  if ((table->version & 0xFF) >= NPVERS_HAS_NOTIFICATION && pluginTable) {
    pluginTable->urlnotify = NPP_URLNotify;
    pluginTable->javaClass = nullptr;
  }
  return NPERR_NO_ERROR;
}

NPError WINAPI NP_Shutdown(void) {
  // The log's memory came from this browser; it must go back before the table is lost.
  releaseInstallLog();
  setBrowserFuncs(nullptr);
  return NPERR_NO_ERROR;
}
