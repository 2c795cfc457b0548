// What one instance's requests need of their run, in one value that the workflow builds
// for every step that goes to the network: the session, the cancel control, the limits,
// the browser's user agent (for the Accept-Language header), the sign-on cookie, the window
// that owns the sign-on dialog, where the progress goes, and the instance a fault or a
// log's send is reported for. The steps read it and never the instance's record.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/run_control.h"
#include "base/run_limits.h"

class CLogInstance;
class CProgressSink;

struct Transfer {
  HINTERNET session = nullptr;
  CRunControl* control = nullptr;  // null: the transfer cannot be cancelled
  const CLogInstance* instance = nullptr;
  RunLimits limits;
  const char* userAgent = nullptr;
  const char* signOnCookie = nullptr;  // the SMSESSION cookie's value; null: no cookie
  HWND dialogOwner = nullptr;
  CProgressSink* progress = nullptr;   // null: the progress is not shown
};

// Whether the page has been left during the transfer's run.
inline bool transferCancelled(const Transfer& transfer) { return runCancelled(transfer.control); }
