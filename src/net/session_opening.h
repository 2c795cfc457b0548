// Opening an instance's internet session with the browser's proxy, on a job that the
// waiter leaves behind when the page is left: the browser's proxy settings come from a
// search of the browser's profiles, which nobody should have to wait for. The job closes
// what it opened when nobody waits for it any more.
#pragma once

#include <windows.h>
#include <wininet.h>

class CLogInstance;
class CRunControl;

struct OpenedSession {
  HINTERNET session;  // null when it could not be opened or the page was left
  bool faulted;       // a fault ended the search, reported for the instance: the run ends
};

// The session for a browser of userAgent.
OpenedSession openSessionLeavably(CRunControl* control, const CLogInstance* instance, const char* userAgent);
