// CMyPlugin: the instance record, one per embed of the plug-in on a page. Allocated and
// freed through the browser's allocator by NPP_New and NPP_Destroy. The browser's thread
// builds and tears it down; the instance's worker thread writes the update fields while
// it runs, and the browser's thread waits for the worker before tearing down.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/npapi.h"
#include "base/run_control.h"
#include "plugin/run_context.h"

// The run's own part (the page, the session, the progress, the work directory) is its
// CRunContext, which the steps below the workflow take.
class CMyPlugin : public CRunContext {
 public:
  // Defaults for every field; the dialog template follows the platform.
  CMyPlugin();

  // Reads the embed parameters into m_page and sets the bar's total from the file list.
  // Always 0.
  NPError ReadParameters(uint16 mode, int16 argc, char* argn[], char* argv[], NPSavedData* saved);

  // Callback methods; each runs under the method guard and answers as the browser
  // interface expects after a fault.
  NPError SetWindow(NPWindow* window);
  NPError CreateStream();
  NPError DestroyStream();
  void StreamAsFile();
  int32 WriteReady();
  int32 Write();
  void PrintInfo();
  // Records the window to close after a redirect, when the page asks for the closing.
  void URLNotify();

  // Sends the install log, closes the internet session, releases everything the record
  // owns and puts every field back to its default. Always 0.
  NPError Destroy(NPSavedData** save);

  int m_dialogTemplateId;
  HANDLE m_workerDoneEvent;
  HWND m_frameWindow;
  // Keeps m_workDirectory this instance's alone until Destroy; null when it has none.
  HANDLE m_workDirectoryClaim;
  // Set once the worker thread is running; only then does m_workerDoneEvent ever get
  // signalled, so only then may NPP_Destroy wait for it.
  int m_workerStarted;
  // The thread that closes the window after a redirect, so that the browser's thread
  // never waits for the closing itself; NPP_Destroy waits for it. Null when none runs.
  HANDLE m_closingThread;
  // Set by whichever thread takes on the closing step: after a redirect the browser's
  // notification may come while the worker is still ending, and the window closes once.
  volatile LONG m_closingClaimed;
  // 1 while a request to load the RedirectURL, or the closing page, waits for the
  // dialog's procedure on the browser's thread (plugin/page_requests.h); whoever takes
  // it back to 0 makes the request.
  volatile LONG m_redirectPending;
  volatile LONG m_closingPagePending;

 private:
  void setDefaults();
};
