// The instance's internet session, opened at its first use rather than at page load: the
// browser's proxy settings come from a search of the browser's profiles, which the
// browser's thread should not wait for in NPP_New. The worker opens it first thing, and
// walks away from the search when the page is left; an upload of the log from the
// browser's thread (a fault, or a teardown without a session) opens it there.
#pragma once

#include <windows.h>
#include <wininet.h>

class CRunContext;

// instance.m_internet, opened now with the browser's proxy when it is not yet; the run
// control then closes it with the run. Null when it cannot be opened. Two threads asking
// at once get the same session: the second waits for the first's.
HINTERNET runSession(CRunContext& instance);
// The worker's opening: as runSession, on a job that the worker leaves behind when the
// page is left (the session then stays unopened, and the job closes what it opened).
void openRunSessionForWorker(CRunContext& instance);
