// Posting the install log's upload body to the page's log receiver.
#pragma once

class CRunContext;

// Whether the instance has a receiver to post to: a non-empty InstallLogURL.
bool hasInstallLogUrl(const CRunContext& instance);

// Sends text as the body of one POST request to the instance's InstallLogURL through its
// internet session. True when the request went out and an answer came back, whatever its
// status; false without a URL, for a URL that does not split, or when the connection, the
// certificate check or the exchange failed or timed out.
bool postLogText(CRunContext& instance, const char* text);
