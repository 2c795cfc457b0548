// Blocking steps on an instance's internet session, run so that leaving the page does not
// wait for them: each job holds the run's control, and with it the session, until it is
// deleted, however long a call the waiter walked away from takes to return. A job's step
// runs under the guard of the method it serves, on its own thread as on the waiter's;
// a fault there comes back to the waiting step, which ends with it as its outcome.
#pragma once

#include <cstdint>
#include <memory>

#include "base/detached_job.h"

class CLogInstance;
class CRunControl;

class CSessionJob : public CDetachedJob {
 public:
  // Made on the waiting thread, inside the guard of the method the job serves; control
  // may be null (a run that cannot be cancelled).
  explicit CSessionJob(CRunControl* control);
  ~CSessionJob() override;
  CSessionJob(const CSessionJob&) = delete;
  CSessionJob& operator=(const CSessionJob&) = delete;

  // The step under the guard; a fault ends it and is kept for the waiter.
  void run() final;
  // A job nobody waits for any more: a fault it caught is logged, then releaseAbandoned.
  void cleanUpAbandoned() final;

  // The fault the step caught, 0 without one.
  uint32_t faultCode() const { return m_faultCode; }
  // For the waiter that got the job back: the fault the step caught, if any, reported for
  // instance as the served method's ("Exception caught in ..." and the log's send). True
  // when there was one: the waiting step then ends as a fault.
  bool reportFault(const CLogInstance* instance) const;

 protected:
  // The blocking step itself.
  virtual void runStep() = 0;
  // Releases whatever the step still holds, when nobody waits for the job any more.
  virtual void releaseAbandoned() = 0;

 private:
  CRunControl* m_control;
  const char* m_traceName;  // the served method's, a literal that outlives the job
  uint32_t m_faultCode = 0;
};

// Runs job (allocated with new) for a run's step. Done: the caller deletes it. Abandoned
// (the page was left): the caller must not touch it again. Without a control the wait is
// for the job's end.
JobEnd runSessionJob(CRunControl* control, CSessionJob* job);

// The job back from its thread (end kDone), owned by the caller from now on; null when the
// waiter walked away from it (kAbandoned): it then belongs to its own thread, which
// deletes it when its step returns.
template <class Job>
std::unique_ptr<Job> takeBackJob(JobEnd end, Job* job) {
  return std::unique_ptr<Job>(end == JobEnd::kDone ? job : nullptr);
}

// Runs job (allocated with new) for a step that still goes out once the page was left
// (the install log's upload), so leaving does not end the wait: the caller gets the job
// back when it ends, or walks away once until is signalled (the step has done what the
// caller waits for) or limitMs of wall time have passed (Abandoned, as above). Only a run
// with a control is walked away from: the job's hold on the control keeps the session
// open under its requests. One without closes its session itself, maybe under the job's
// feet, so it waits for the job's end.
JobEnd runSessionJobWithin(CRunControl* control, CSessionJob* job, HANDLE until, DWORD limitMs);
