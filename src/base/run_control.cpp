// CRunControl and the run's cancellation check.
#include "base/run_control.h"

#include <new>

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

bool runCancelled(const CRunControl* control) { return control && control->cancelled(); }
