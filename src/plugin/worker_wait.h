// Waiting on the browser's thread for an instance's worker thread to end.
#pragma once

#include <windows.h>

// Waits without a time limit until event is signalled, dispatching this thread's
// messages meanwhile: the worker sends progress messages to windows of this thread and
// would otherwise block on them forever.
void waitDispatchingMessages(HANDLE event);
