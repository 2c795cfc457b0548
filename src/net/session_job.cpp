// CSessionJob, runSessionJob and runSessionJobWithin.
#include "net/session_job.h"

#include "base/run_control.h"
#include "log/method_guard.h"

namespace {

// A job made outside every guard (a test's) still runs under one.
constexpr char kUnguardedJob[] = "CSessionJob::run()";

}  // namespace

CSessionJob::CSessionJob(CRunControl* control) : m_control(control), m_traceName(innermostGuardName()) {
  if (!m_traceName) m_traceName = kUnguardedJob;
  if (m_control) m_control->addRef();
}

void CSessionJob::run() { m_faultCode = catchFault(m_traceName, [this] { runStep(); }); }

void CSessionJob::cleanUpAbandoned() {
  // The instance may be gone: the line is logged, and goes with the next upload.
  if (m_faultCode) reportMethodFault(nullptr, m_traceName, SE_Exception(m_faultCode));
  releaseAbandoned();
}

bool CSessionJob::reportFault(const CLogInstance* instance) const {
  if (!m_faultCode) return false;
  reportMethodFault(instance, m_traceName, SE_Exception(m_faultCode));
  return true;
}

CSessionJob::~CSessionJob() {
  if (m_control) m_control->release();
}

JobEnd runSessionJob(CRunControl* control, CSessionJob* job) {
  return runDetachedJob(job, control ? control->cancelEvent() : nullptr);
}

JobEnd runSessionJobWithin(CRunControl* control, CSessionJob* job, HANDLE until, DWORD limitMs) {
  if (!control) return runDetachedJob(job, nullptr, kNoJobLimit);
  return runDetachedJob(job, until, limitMs);
}
