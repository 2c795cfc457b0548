// CMyPlugin: the instance record, one per embed of the plug-in on a page. Allocated and
// freed through the browser's allocator by NPP_New and NPP_Destroy. The browser's thread
// builds and tears it down; the instance's worker thread writes the update fields while
// it runs, and the browser's thread waits for the worker before tearing down.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/npapi.h"
#include "plugin/CDownloadProgress.h"
#include "plugin/page_parameters.h"
#include "plugin/run_control.h"

class CMyPlugin {
 public:
  // Defaults for every field; the dialog template follows the platform.
  CMyPlugin();

  // Reads the embed parameters into m_page, claims the work directory and sets the
  // bar's total from the file list. Always 0.
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
  NPP m_npp;
  HANDLE m_workerDoneEvent;
  HWND m_frameWindow;
  // The page's parameters: written by NPP_New only, read by everything after it.
  PageParameters m_page;
  NPWindow* m_npWindow;
  int m_updaterInstalled;
  char* m_workDirectory;
  // Keeps m_workDirectory this instance's alone until Destroy; null when shared.
  HANDLE m_workDirectoryClaim;
  HWND m_progressDialog;
  // The downloads' progress, shown on m_progressDialog's bar.
  CDownloadProgress m_progress;
  HINTERNET m_internet;
  // Made with the session by NPP_New, which hands it the session to close; cancelled by
  // NPP_Destroy. Null in a record made without it: its run then cannot be cancelled.
  CRunControl* m_runControl;
  char m_configFilePath[260];
  // Set once the worker thread is running; only then does m_workerDoneEvent ever get
  // signalled, so only then may NPP_Destroy wait for it.
  int m_workerStarted;
  // The thread that closes the window after a redirect, so that the browser's thread
  // never waits for the closing itself; NPP_Destroy waits for it. Null when none runs.
  HANDLE m_closingThread;
  // Set by whichever thread takes on the closing step: after a redirect the browser's
  // notification may come while the worker is still ending, and the window closes once.
  volatile LONG m_closingClaimed;

 private:
  void setDefaults();
};
