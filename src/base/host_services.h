// The browser's services as the rest of the plug-in reaches them, and the process-wide
// slots that hold the two function tables exchanged at start-up.
#pragma once

#include "base/npapi.h"

// The tables are written only by the exports, before any instance exists and after the
// last one is gone; instances and their workers only read them.
void setBrowserFuncs(NPNetscapeFuncs* table);
NPNetscapeFuncs* browserFuncs();
void setPluginFuncs(NPPluginFuncs* table);
NPPluginFuncs* pluginFuncs();

// Thin wrappers over the browser table. Without a table (before NP_Initialize or after
// NP_Shutdown) they do nothing and answer as a failing browser would.
NPError NPN_GetURLNotify(NPP instance, const char* url, const char* target, void* notifyData);
NPError NPN_GetURL(NPP instance, const char* url, const char* target);
const char* NPN_UserAgent(NPP instance);
void* NPN_MemAlloc(uint32 size);
void NPN_MemFree(void* block);
