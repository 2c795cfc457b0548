// Posting the install log's upload body to the page's log receiver.
#pragma once

#include <windows.h>

class CRunContext;

// The whole upload, from connecting to closing the request, ends for its caller within
// this much wall time, whatever the receiver does: the browser's thread waits for it when
// the page is left.
constexpr DWORD kLogUploadLimitMs = 10000;

// Whether the instance has a receiver to post to: a non-empty InstallLogURL.
bool hasInstallLogUrl(const CRunContext& instance);

// Sends text as the body of one POST request to the instance's InstallLogURL through its
// internet session. True when the request went out and an answer came back, whatever its
// status; false without a URL, for a URL that does not split, when the connection, the
// certificate check or the exchange failed or timed out, or when the exchange was still
// going at kLogUploadLimitMs (it then ends on a thread of its own; an instance without a
// run control waits for its end, see runSessionJobWithin). Goes out whether or not the
// page has been left.
bool postLogText(CRunContext& instance, const char* text);
