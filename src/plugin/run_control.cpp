// CRunControl and the run's cancellation checks.
#include "plugin/run_control.h"

#include <new>

#include "log/install_log.h"
#include "plugin/run_context.h"

CRunControl* CRunControl::create() {
  ScopedKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!event) return nullptr;
  auto* control = new (std::nothrow) CRunControl(event.get());
  if (control) event.release();
  return control;
}

CRunControl::CRunControl(HANDLE cancelEvent) : m_cancelEvent(cancelEvent) {}

void CRunControl::cancel() {
  InterlockedExchange(&m_cancelled, 1);
  SetEvent(m_cancelEvent.get());
}

void CRunControl::release() {
  if (InterlockedDecrement(&m_references) == 0) delete this;
}

bool runCancelled(const CRunContext& plugin) { return plugin.m_runControl && plugin.m_runControl->cancelled(); }

void noteRunCancelled(CRunContext& plugin) {
  if (plugin.m_runControl && plugin.m_runControl->claimNote())
    logLine("The run was cancelled: the page was left before it ended.");
}
