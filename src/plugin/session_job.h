// Blocking steps on an instance's internet session, run so that leaving the page does not
// wait for them: each job keeps the session open until it is deleted, however long a call
// the worker walked away from takes to return. A job's step runs under the guard of the
// method it serves, on its own thread as on the worker's.
#pragma once

#include <cstdint>

#include "base/detached_job.h"

class CRunContext;
class CRunControl;

class CSessionJob : public CDetachedJob {
 public:
  // Made on the worker's thread, inside the guard of the method the job serves.
  explicit CSessionJob(const CRunContext& plugin);
  ~CSessionJob() override;
  CSessionJob(const CSessionJob&) = delete;
  CSessionJob& operator=(const CSessionJob&) = delete;

  // The step under the guard; a fault ends it and is kept for the waiter.
  void run() final;
  // A job nobody waits for any more: a fault it caught is logged, then releaseAbandoned.
  void cleanUpAbandoned() final;

  // The fault the step caught, 0 without one (see raiseCaughtFault).
  uint32_t faultCode() const { return m_faultCode; }

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

// For the waiter that got its job back: raises the fault the job's step caught, if any
// (faultCode, 0 for none), on the waiter's thread, so that the method the job served ends
// with it as its own (its log line, the log's upload, its result). Called once the job
// is deleted and what it held is taken back.
void raiseCaughtFault(uint32_t faultCode);

// Runs job (allocated with new) for the instance's worker. Done: the caller deletes it.
// Abandoned (the page was left): the caller must not touch it again. A record without a
// run control waits for the job's end.
JobEnd runSessionJob(const CRunContext& plugin, CSessionJob* job);

// Runs job (allocated with new) for a step that still goes out once the page was left
// (the install log's upload), so leaving does not end the wait: the caller gets the job
// back when it ends, or walks away once until is signalled (the step has done what the
// caller waits for) or limitMs of wall time have passed (Abandoned, as above). Only a
// record with a run control is walked away from: the job's hold on the control keeps the
// session open under its requests. A record without one closes its session itself, maybe
// under the job's feet, so it waits for the job's end.
JobEnd runSessionJobWithin(const CRunContext& plugin, CSessionJob* job, HANDLE until, DWORD limitMs);
