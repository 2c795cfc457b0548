// waitAnsweringSentMessages: a wait for the browser's thread that answers sent messages.
#include "plugin/worker_wait.h"

void waitAnsweringSentMessages(HANDLE event) {
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return;  // signalled, or the handle is unusable
    // A peek for sent messages alone delivers them and leaves the queue as it is.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}
