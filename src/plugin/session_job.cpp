// CSessionJob and runSessionJob.
#include "plugin/session_job.h"

#include "plugin/run_context.h"
#include "plugin/run_control.h"

CSessionJob::CSessionJob(const CRunContext& plugin) : m_control(plugin.m_runControl) {
  if (m_control) m_control->addRef();
}

CSessionJob::~CSessionJob() {
  if (m_control) m_control->release();
}

JobEnd runSessionJob(const CRunContext& plugin, CSessionJob* job) {
  return runDetachedJob(job, plugin.m_runControl ? plugin.m_runControl->cancelEvent() : nullptr);
}
