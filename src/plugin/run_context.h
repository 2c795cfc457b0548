// CRunContext: what a run's steps below the workflow (a download, the package update
// and the log's upload) need of their instance: the page's parameters, the
// internet session and its cancel control, the progress and its dialog, the owner
// window, the downloads' limits, the work directory and the run's cached configuration
// file. The instance
// record is one (CMyPlugin derives from it), so the steps take this small part and never
// the whole record. Written by the browser's thread before the worker starts and by that
// worker while it runs.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/npapi.h"
#include "base/run_limits.h"
#include "base/thread_instance.h"
#include "plugin/CDownloadProgress.h"
#include "plugin/page_parameters.h"

class CRunControl;
class CRunContext;

// Tells the user why a URL could not be opened: message is the page's sentence with the
// answer's status. The workflow, which owns the run's boxes, gives the run its notice.
using OpenFailureNotice = void (*)(const CRunContext& run, const char* message);

class CRunContext {
 public:
  CRunContext() : m_progress(&m_progressDialog) { resetRun(); }
  CRunContext(const CRunContext&) = delete;
  CRunContext& operator=(const CRunContext&) = delete;

  // Every field back to its default; the page's copies must have been released.
  void resetRun();

  NPP m_npp;
  // The page's parameters: written by NPP_New only, read by everything after it.
  PageParameters m_page;
  NPWindow* m_npWindow;
  int m_updaterInstalled;
  char* m_workDirectory;
  HWND m_progressDialog;
  // The downloads' progress, shown on m_progressDialog's bar.
  CDownloadProgress m_progress;
  // Opened by the worker's first step (net/run_session.h), written once; the browser's
  // user agent, copied by NPP_New, goes with it.
  HINTERNET m_internet;
  char* m_userAgent;
  // Made by NPP_New, which has it close the session once opened; cancelled by
  // NPP_Destroy. Null in a record made without it: its run then cannot be cancelled.
  CRunControl* m_runControl;
  // How a URL that could not be opened is reported; null: it is not.
  OpenFailureNotice m_openFailureNotice;
  // The downloads' limits; the product's own unless a test or a benchmark set them.
  RunLimits m_limits;
  // The run's configuration file once fetched: every later step uses the same file.
  char m_configFilePath[260];
  // The instance's own number, under which its threads file their log lines
  // (base/thread_instance.h); given once, when the record is made.
  const uint32_t m_instanceNumber = newInstanceNumber();
};

// The window that owns the run's message boxes and dialogs: the plug-in's window, or
// none before the browser gave one.
HWND pluginOwnerWindow(const CRunContext* run);
