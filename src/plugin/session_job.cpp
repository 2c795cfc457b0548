// CSessionJob and runSessionJob.
#include "plugin/session_job.h"

#include "plugin/CMyPlugin.h"

CSessionJob::CSessionJob(const CMyPlugin& plugin) : m_control(plugin.m_runControl) {
  if (m_control) m_control->addRef();
}

CSessionJob::~CSessionJob() {
  if (m_control) m_control->release();
}

JobEnd runSessionJob(const CMyPlugin& plugin, CSessionJob* job) {
  return runDetachedJob(job, plugin.m_runControl ? plugin.m_runControl->cancelEvent() : nullptr);
}
