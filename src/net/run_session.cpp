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

enum : LONG { kNotOpened = 0, kOpening = 1, kOpened = 2 };

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
    const LONG state = InterlockedCompareExchange(&instance.m_sessionState, kOpening, kNotOpened);
    if (state == kNotOpened) return true;
    if (state == kOpened) return false;
    Sleep(1);
  }
}

// A session set by its owner beforehand (a test's, a benchmark's) stays its owner's.
void finishOpening(CRunContext& instance, HINTERNET session) {
  if (!instance.m_internet) {
    instance.m_internet = session;
    if (session && instance.m_runControl) instance.m_runControl->adoptSession(session);
  } else if (session) {
    InternetCloseHandle(session);
  }
  InterlockedExchange(&instance.m_sessionState, kOpened);
}

}  // namespace

HINTERNET runSession(CRunContext& instance) {
  if (claimOpening(instance))
    finishOpening(instance, instance.m_internet ? nullptr
                                                : NetscapeInternetOpen(instance.m_userAgent ? instance.m_userAgent : ""));
  return instance.m_internet;
}

void openRunSessionForWorker(CRunContext& instance) {
  if (!claimOpening(instance)) return;
  if (instance.m_internet) return finishOpening(instance, nullptr);
  uint32_t fault = 0;
  const HINTERNET session = openLeavable(instance, &fault);
  // Left before the search ended: a later upload at teardown opens one of its own.
  if (!session && runCancelled(instance))
    InterlockedExchange(&instance.m_sessionState, kNotOpened);
  else
    finishOpening(instance, session);
  raiseCaughtFault(fault);
}
