// Host-service wrappers over the browser function table kept by NP_Initialize.
#include "base/host_services.h"

namespace {

NPNetscapeFuncs* g_browserFuncs = nullptr;
NPPluginFuncs* g_pluginFuncs = nullptr;

}  // namespace

void setBrowserFuncs(NPNetscapeFuncs* table) { g_browserFuncs = table; }
NPNetscapeFuncs* browserFuncs() { return g_browserFuncs; }
void setPluginFuncs(NPPluginFuncs* table) { g_pluginFuncs = table; }
NPPluginFuncs* pluginFuncs() { return g_pluginFuncs; }

NPError NPN_GetURLNotify(NPP instance, const char* url, const char* target, void* notifyData) {
  if (!g_browserFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
  // Browsers before minor version 9 have no notifying request and never call urlnotify.
  if ((g_browserFuncs->version & 0xFF) < NPVERS_HAS_NOTIFICATION)
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  return g_browserFuncs->geturlnotify(instance, url, target, notifyData);
}

NPError NPN_GetURL(NPP instance, const char* url, const char* target) {
  if (!g_browserFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
  return g_browserFuncs->geturl(instance, url, target);
}

const char* NPN_UserAgent(NPP instance) {
  if (!g_browserFuncs) return nullptr;
  return g_browserFuncs->uagent(instance);
}

void* NPN_MemAlloc(uint32 size) {
  if (!g_browserFuncs) return nullptr;
  return g_browserFuncs->memalloc(size);
}

void NPN_MemFree(void* block) {
  if (!g_browserFuncs || !block) return;
  g_browserFuncs->memfree(block);
}
