// openRunSessionForWorker and openedRunSession.
#include "plugin/run_session.h"

#include "base/run_control.h"
#include "net/session_opening.h"
#include "plugin/run_context.h"

bool openRunSessionForWorker(CRunContext& instance) {
  if (openedRunSession(instance)) return true;
  // No session when the page was left before the search ended: an upload at teardown then
  // opens one of its own.
  const OpenedSession opened = openSessionLeavably(instance.m_runControl, &instance, instance.m_userAgent);
  if (opened.session) {
    // The run control owns it before other threads can see it.
    if (instance.m_runControl) instance.m_runControl->adoptSession(opened.session);
    *static_cast<HINTERNET volatile*>(&instance.m_internet) = opened.session;
  }
  return !opened.faulted;
}

HINTERNET openedRunSession(const CRunContext& instance) {
  return *static_cast<const HINTERNET volatile*>(&instance.m_internet);
}
