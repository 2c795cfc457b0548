// runSession: one opening per instance, whichever thread comes first; the worker's on a
// job it may walk away from.
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

// Waits while another thread opens; true when this thread is to open it now.
bool claimOpening(CRunContext& instance) {
  for (;;) {
    const LONG state = InterlockedCompareExchange(&instance.m_sessionState, kSessionOpening, kSessionNotOpened);
    if (state == kSessionNotOpened) return true;
    if (state == kSessionOpened) return false;
    Sleep(1);
  }
}

void finishOpening(CRunContext& instance, HINTERNET session) {
  instance.m_internet = session;
  if (session && instance.m_runControl) instance.m_runControl->adoptSession(session);
  InterlockedExchange(&instance.m_sessionState, kSessionOpened);
}

}  // namespace

HINTERNET runSession(CRunContext& instance) {
  if (claimOpening(instance)) finishOpening(instance, NetscapeInternetOpen(instance.m_userAgent ? instance.m_userAgent : ""));
  return instance.m_internet;
}

void openRunSessionForWorker(CRunContext& instance) {
  if (!claimOpening(instance)) return;
  uint32_t fault = 0;
  const HINTERNET session = openLeavable(instance, &fault);
  // Left before the search ended: a later upload at teardown opens one of its own.
  if (!session && runCancelled(instance))
    InterlockedExchange(&instance.m_sessionState, kSessionNotOpened);
  else
    finishOpening(instance, session);
  raiseCaughtFault(fault);
}
