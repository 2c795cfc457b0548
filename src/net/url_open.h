// Opening one URL for an instance's worker: the single-sign-on cookie before every
// attempt, the user's answers to authentication challenges, only a 2xx status accepted,
// and a report through the run's notice when it gives up. Runs on the instance's worker
// thread.
#pragma once

#include <windows.h>
#include <wininet.h>

class CRunContext;

// An open request whose status is 200 to 299, positioned at the start of the body, for
// the caller to read and close; or null after the failure went to the run's notice.
// headers are request header lines handed to WinInet as they are. lastError holds the
// system's code of the last attempt that got no answer at all (a refused connection, a
// timeout, an address the system will not open), or of closing a request before a retry
// that failed; 0 when neither happened. Redirects to anything but http and https, and from
// https to anything else, are refused, with a log line naming the target's host.
// With showFailure false, a failure shows nothing: the caller reports it in its own way.
HINTERNET OpenURL(CRunContext* plugin, const char* url, const char* headers, DWORD* lastError,
                  bool showFailure = true);

// The answer's status code; 0 without a request or a status.
DWORD statusCodeOf(HINTERNET request);

