// CRunContext: the run's part of the instance record: the page's parameters, the internet
// session and its cancel control, the progress and its dialog, the owner window, the
// downloads' limits, the work directory and the run's configuration file. The instance
// record is one (CMyPlugin derives from it). Only the plug-in, the workflow and the entry
// points read it: each step below takes the small value the workflow builds from it
// (plugin/run_values.h). Written by the browser's thread before the worker starts and by
// that worker while it runs.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/npapi.h"
#include "base/run_limits.h"
#include "download/config_files.h"
#include "log/log_instance.h"
#include "plugin/CDownloadProgress.h"
#include "plugin/page_parameters.h"

class CRunControl;

class CRunContext : public CLogInstance {
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
  // The downloads' limits; the product's own unless a test or a benchmark set them.
  RunLimits m_limits;
  // The run's configuration file once fetched: every later step uses the same file.
  ConfigurationFile m_configuration;
};

// The window that owns the run's message boxes and dialogs: the plug-in's window, or
// none before the browser gave one.
HWND pluginOwnerWindow(const CRunContext* run);

// Whether the page has been left during the instance's run.
bool runCancelled(const CRunContext& run);
// Logs, once per run, that the run was cancelled.
void noteRunCancelled(CRunContext& run);
