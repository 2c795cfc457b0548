// The three exports through which a browser starts and stops the plug-in.
#pragma once

#include <windows.h>

#include "base/npapi.h"

extern "C" {
NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* table);
NPError WINAPI NP_Initialize(NPNetscapeFuncs* table);
NPError WINAPI NP_Shutdown(void);
}
