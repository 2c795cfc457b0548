// openRunSessionForWorker and openedRunSession: the worker's opening, on a job it may walk
// away from.
#include "net/run_session.h"

#include <new>
#include <string>

#include "net/internet_session.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"
#include "plugin/session_job.h"

namespace {

// The profile search and InternetOpenA, with a copy of the user agent: the record may be
// gone before a job the worker walked away from ends.
class CSessionOpenJob : public CSessionJob {
 public:
  CSessionOpenJob(const CRunContext& plugin, const char* userAgent)
      : CSessionJob(plugin), m_userAgent(userAgent ? userAgent : "") {}
  HINTERNET take() {
    const HINTERNET session = m_session;
    m_session = nullptr;
    return session;
  }

 protected:
  void runStep() override { m_session = NetscapeInternetOpen(m_userAgent.c_str()); }
  void releaseAbandoned() override {
    if (m_session) InternetCloseHandle(m_session);
    m_session = nullptr;
  }

 private:
  std::string m_userAgent;
  HINTERNET m_session = nullptr;
};

// The session, or null when it could not be opened or the page was left; *fault is the
// fault the search caught, for the caller to raise once the session's state is settled.
HINTERNET openLeavable(CRunContext& instance, uint32_t* fault) {
  *fault = 0;
  auto* job = new (std::nothrow) CSessionOpenJob(instance, instance.m_userAgent);
  if (!job) return nullptr;
  if (runSessionJob(instance, job) == JobEnd::kAbandoned) return nullptr;
  const HINTERNET session = job->take();
  *fault = job->faultCode();
  delete job;
  return session;
}

}  // namespace

void openRunSessionForWorker(CRunContext& instance) {
  if (openedRunSession(instance)) return;
  uint32_t fault = 0;
  // Null when the page was left before the search ended: an upload at teardown then opens
  // one of its own.
  const HINTERNET session = openLeavable(instance, &fault);
  if (session) {
    // The run control owns it before other threads can see it.
    if (instance.m_runControl) instance.m_runControl->adoptSession(session);
    *static_cast<HINTERNET volatile*>(&instance.m_internet) = session;
  }
  raiseCaughtFault(fault);
}

HINTERNET openedRunSession(const CRunContext& instance) {
  return *static_cast<const HINTERNET volatile*>(&instance.m_internet);
}
