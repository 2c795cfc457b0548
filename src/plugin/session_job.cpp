// CSessionJob, runSessionJob and runSessionJobWithin.
#include "plugin/session_job.h"

#include "log/method_guard.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"

namespace {

// A job made outside every guard (a test's) still runs under one.
constexpr char kUnguardedJob[] = "CSessionJob::run()";

}  // namespace

CSessionJob::CSessionJob(const CRunContext& plugin)
    : m_control(plugin.m_runControl), m_traceName(innermostGuardName()) {
  if (!m_traceName) m_traceName = kUnguardedJob;
  if (m_control) m_control->addRef();
}

void CSessionJob::run() { m_faultCode = catchFault(m_traceName, [this] { runStep(); }); }

void CSessionJob::cleanUpAbandoned() {
  // The instance may be gone: the line is logged, and goes with the next upload.
  if (m_faultCode) reportMethodFault(nullptr, m_traceName, SE_Exception(m_faultCode));
  releaseAbandoned();
}

void raiseCaughtFault(uint32_t faultCode) {
  if (faultCode) raiseFault(faultCode);
}

CSessionJob::~CSessionJob() {
  if (m_control) m_control->release();
}

JobEnd runSessionJob(const CRunContext& plugin, CSessionJob* job) {
  return runDetachedJob(job, plugin.m_runControl ? plugin.m_runControl->cancelEvent() : nullptr);
}

JobEnd runSessionJobWithin(const CRunContext& plugin, CSessionJob* job, HANDLE until, DWORD limitMs) {
  if (!plugin.m_runControl) return runDetachedJob(job, nullptr, kNoJobLimit);
  return runDetachedJob(job, until, limitMs);
}
