// The named event through which the started client (or a failed run) tells the plug-in
// that the browser window may close. Shared by name with other processes.
#pragma once

#include <windows.h>

// The event, created unsignalled by its first user; null when it cannot be had. The
// caller closes the handle.
HANDLE openStartupEvent();

// Signals the event and keeps it in existence for the rest of the process, so that every
// later closing wait in this browser returns at once.
void signalStartupEvent();
