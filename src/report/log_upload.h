// What one upload of the install log needs of its instance, in one value that the
// workflow builds when a send is made: the receiver's URL, the browser's user agent (asked
// for on the sending thread, for the report and the languages), the run's session and
// control, and the instance a fault of the upload is reported for.
#pragma once

#include <windows.h>
#include <wininet.h>

class CLogInstance;
class CRunControl;

struct LogUploadInputs {
  const char* url = nullptr;        // the page's InstallLogURL; the upload needs one
  const char* userAgent = nullptr;  // copied by the upload's job
  HINTERNET session = nullptr;      // the worker's; null: the job opens one of its own
  CRunControl* control = nullptr;   // keeps the session open under the job; null: waited for
  const CLogInstance* instance = nullptr;
};
