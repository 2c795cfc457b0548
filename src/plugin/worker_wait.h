// Waiting on the browser's thread for an instance's worker thread to end.
#pragma once

#include <windows.h>

// Waits without a time limit until event is signalled, answering the messages other
// threads send to this thread's windows meanwhile: the worker sends progress messages to
// them and would otherwise block on them forever. Posted messages stay in the queue: the
// browser's own (a window's closing, the end of its loop) and the dialog's requests are
// not for a wait inside NPP_Destroy to handle.
void waitAnsweringSentMessages(HANDLE event);
