// Opening one URL for an instance's worker: the single-sign-on cookie before every
// attempt, the user's answers to authentication challenges, only a 2xx status accepted,
// and the outcome that says why when it gives up. Runs on the instance's worker thread.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_internet_handle.h"
#include "base/step_outcome.h"
#include "net/transfer.h"

// How an open ended, as one value: the request, or the outcome that says why there is none.
struct OpenedUrl {
  // Status 200 to 299, positioned at the start of the body, for the caller to read.
  ScopedInternetHandle request;
  // Without a request: kDownloadNoUrl with the last answer's status for the user
  // (kServerStatus), kDownloadCancelled when the page was left, kDownloadFault after a
  // fault's report.
  StepOutcome outcome;
  // The system's code of the last attempt that got no answer at all (a refused connection,
  // a timeout, an address the system will not open), or of closing a request before a
  // retry that failed; 0 when neither happened.
  DWORD lastError = 0;
};

// Opens url with headers (request header lines handed to WinInet as they are).
// Redirects to anything but http and https, and from https to anything else, are
// refused, with a log line naming the target's host.
OpenedUrl OpenURL(const Transfer& transfer, const char* url, const char* headers);

// The answer's status code; 0 without a request or a status.
DWORD statusCodeOf(HINTERNET request);
