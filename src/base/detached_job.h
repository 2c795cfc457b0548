// Blocking steps that a waiting thread may stop waiting for. A blocked network call cannot
// be interrupted everywhere (under Wine, closing a handle does not end a read already
// waiting on it), so the call runs on a thread of its own: the waiter may walk away when
// its run is cancelled or its time is up, and the job then tidies up after itself once
// the call returns.
#pragma once

#include <windows.h>

class CDetachedJob {
 public:
  virtual ~CDetachedJob() = default;
  // The blocking step, on the job's own thread (or on the caller's, when no thread could
  // be made).
  virtual void run() = 0;
  // On the job's thread, after run, when nobody waits for the job any more: releases
  // whatever the step still holds. The job is deleted right after.
  virtual void cleanUpAbandoned() = 0;
  // On the waiting thread, about every kJobTickMs while the job runs and once when it
  // has ended: a chance to show how far the job has come.
  virtual void tick() {}

  // For run's loops: the waiter has walked away, so there is no point going on.
  bool abandoned() const { return m_owner == kOwnerLeft; }

  // Who has the job while its thread runs: the first to move it from kOwnerRunning decides.
  enum : LONG { kOwnerRunning = 0, kOwnerFinished = 1, kOwnerLeft = 2 };
  volatile LONG m_owner = kOwnerRunning;
};

enum class JobEnd {
  kDone,       // run has returned; the job is the caller's again
  kAbandoned,  // cancel or the limit came first; the job belongs to its thread from now on
};

constexpr DWORD kJobTickMs = 50;
// A wait that only the job's end or cancel ends.
constexpr DWORD kNoJobLimit = INFINITE;

// Runs job (allocated with new) on a thread of its own until it ends, cancel is signalled
// or limitMs of wall time have passed since the call, whichever comes first; a null cancel
// and no limit wait for the end. The limit is checked every kJobTickMs. When no thread can
// be made, the job runs on the caller's thread, to its end. While its thread runs, the job
// keeps this module loaded, so that a call that returns after the page has gone still
// finds its code.
JobEnd runDetachedJob(CDetachedJob* job, HANDLE cancel, DWORD limitMs = kNoJobLimit);
