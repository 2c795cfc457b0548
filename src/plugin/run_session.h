// The instance's internet session in its record: opened by the worker first thing rather
// than at page load (net/session_opening.h), written once, and read by other threads.
#pragma once

#include <windows.h>
#include <wininet.h>

class CRunContext;

// The worker's opening of instance.m_internet with the browser's proxy; the page may be
// left meanwhile (the session then stays unopened). The run control then closes it with
// the run. False when a fault ended the opening (reported): the run ends there.
bool openRunSessionForWorker(CRunContext& instance);
// The session once the worker has opened it, for any thread; null before, or when it could
// not be opened.
HINTERNET openedRunSession(const CRunContext& instance);
