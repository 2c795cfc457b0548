// openSessionLeavably: the profile search and InternetOpenA on a session job.
#include "net/session_opening.h"

#include <new>
#include <string>

#include "net/internet_session.h"
#include "net/session_job.h"

namespace {

// The profile search and InternetOpenA, with a copy of the user agent: the record may be
// gone before a job the waiter walked away from ends.
class CSessionOpenJob : public CSessionJob {
 public:
  CSessionOpenJob(CRunControl* control, const char* userAgent)
      : CSessionJob(control), m_userAgent(userAgent ? userAgent : "") {}
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

}  // namespace

OpenedSession openSessionLeavably(CRunControl* control, const CLogInstance* instance, const char* userAgent) {
  auto* job = new (std::nothrow) CSessionOpenJob(control, userAgent);
  if (!job) return {nullptr, false};
  const auto done = takeBackJob(runSessionJob(control, job), job);
  if (!done) return {nullptr, false};
  return {done->take(), done->reportFault(instance)};
}
