// The instance's worker thread: one per instance, started with its first window.
#pragma once

#include <windows.h>

class CMyPlugin;

// Starts the worker unless it has been started already. Runs on the browser's thread.
// Trace name "CMyPlugin::BeginRunningOstrelClient()".
void BeginRunningOstrelClient(CMyPlugin& plugin);

// The worker: the update, then the closing step when a window was recorded; the
// worker-done event is signalled on every way out. Trace name
// "RunOstrelClientThreadProc()".
DWORD WINAPI RunOstrelClientThreadProc(LPVOID record);
