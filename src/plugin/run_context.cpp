// CRunContext's defaults and the owner window of its boxes.
#include "plugin/run_context.h"

#include <cstring>

#include "base/run_control.h"
#include "log/cancel_note.h"

void CRunContext::resetRun() {
  m_npp = nullptr;
  m_page = PageParameters();
  m_npWindow = nullptr;
  m_updaterInstalled = 0;
  m_workDirectory = nullptr;
  m_progressDialog = nullptr;
  m_progress.reset();
  m_internet = nullptr;
  m_userAgent = nullptr;
  m_runControl = nullptr;
  m_limits = RunLimits();
  m_configuration = ConfigurationFile();
}

HWND pluginOwnerWindow(const CRunContext* run) {
  return run && run->m_npWindow ? static_cast<HWND>(run->m_npWindow->window) : nullptr;
}

bool runCancelled(const CRunContext& run) { return runCancelled(run.m_runControl); }

void noteRunCancelled(CRunContext& run) { noteRunCancelled(run.m_runControl); }
