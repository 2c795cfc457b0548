// The instance's internet session, opened by the worker first thing rather than at page
// load: the browser's proxy settings come from a search of the browser's profiles, which
// the browser's thread should not wait for. The worker walks away from the search when the
// page is left; an upload of the log that finds no session opens one of its own on its job.
#pragma once

#include <windows.h>
#include <wininet.h>

class CRunContext;

// The worker's opening of instance.m_internet with the browser's proxy, on a job that the
// worker leaves behind when the page is left (the session then stays unopened, and the job
// closes what it opened). The run control then closes it with the run.
void openRunSessionForWorker(CRunContext& instance);
// The session once the worker has opened it, for any thread; null before, or when it could
// not be opened.
HINTERNET openedRunSession(const CRunContext& instance);
