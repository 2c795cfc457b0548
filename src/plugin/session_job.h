// Blocking steps on an instance's internet session, run so that leaving the page does not
// wait for them: each job keeps the session open until it is deleted, however long a call
// the worker walked away from takes to return.
#pragma once

#include "base/detached_job.h"

class CRunContext;
class CRunControl;

class CSessionJob : public CDetachedJob {
 public:
  explicit CSessionJob(const CRunContext& plugin);
  ~CSessionJob() override;
  CSessionJob(const CSessionJob&) = delete;
  CSessionJob& operator=(const CSessionJob&) = delete;

 private:
  CRunControl* m_control;
};

// Runs job (allocated with new) for the instance's worker. Done: the caller deletes it.
// Abandoned (the page was left): the caller must not touch it again. A record without a
// run control waits for the job's end.
JobEnd runSessionJob(const CRunContext& plugin, CSessionJob* job);
