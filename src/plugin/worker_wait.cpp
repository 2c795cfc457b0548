// waitDispatchingMessages: a message-pumping wait for the browser's thread.
#include "plugin/worker_wait.h"

void waitDispatchingMessages(HANDLE event) {
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    if (result != WAIT_OBJECT_0 + 1) return;  // signalled, or the handle is unusable
    // Peeking also delivers messages sent from other threads, the worker's included.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}
