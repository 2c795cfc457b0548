// runDetachedJob: the hand-over between the waiting thread and the job's thread.
#include "base/detached_job.h"

#include <new>

#include "base/module_handle.h"
#include "base/scoped_handle.h"
#include "base/thread_instance.h"

namespace {

struct JobThread {
  CDetachedJob* job;
  HANDLE finished;    // set once run has returned
  HMODULE module;     // this module, held until the thread ends
  uint32_t instance;  // the instance the starting thread works for, which the job serves
};

// Ends the job's thread: the holder of the job is whoever left last.
DWORD WINAPI jobThreadProc(LPVOID parameter) {
  auto* thread = static_cast<JobThread*>(parameter);
  // For the thread's whole life, which ends in FreeLibraryAndExitThread.
  const ThreadInstanceScope scope(thread->instance);
  thread->job->run();
  const HMODULE module = thread->module;
  CDetachedJob* job = thread->job;
  if (InterlockedCompareExchange(&job->m_owner, CDetachedJob::kOwnerFinished, CDetachedJob::kOwnerRunning) ==
      CDetachedJob::kOwnerLeft) {
    job->cleanUpAbandoned();
    delete job;
    CloseHandle(thread->finished);
    delete thread;
  } else {
    SetEvent(thread->finished);
  }
  FreeLibraryAndExitThread(module, 0);
}

// One more reference to the library by its own file name, which every Windows version
// takes (a reference by address needs Windows XP).
HMODULE holdThisModule() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(pluginModule(), path, sizeof path);
  return length > 0 && length < sizeof path ? LoadLibraryA(path) : nullptr;
}

// Whether the wait that began at started has used up its limit. The tick counter wraps
// after 49 days; the unsigned difference does not mind.
bool pastLimit(DWORD started, DWORD limitMs) {
  return limitMs != kNoJobLimit && GetTickCount() - started >= limitMs;
}

// Hands the job to its thread, unless the thread has just finished it: then the waiter
// keeps it.
bool leaveJob(CDetachedJob* job) {
  return InterlockedCompareExchange(&job->m_owner, CDetachedJob::kOwnerLeft, CDetachedJob::kOwnerRunning) ==
         CDetachedJob::kOwnerRunning;
}

// The job on the caller's thread, when it cannot have one of its own.
JobEnd runHere(CDetachedJob* job) {
  job->run();
  job->tick();
  return JobEnd::kDone;
}

}  // namespace

JobEnd runDetachedJob(CDetachedJob* job, HANDLE cancel, DWORD limitMs) {
  const DWORD started = GetTickCount();
  auto* thread = new (std::nothrow) JobThread{job, nullptr, nullptr, threadInstance()};
  if (!thread) return runHere(job);
  thread->finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread->module = holdThisModule();
  const ScopedKernelHandle handle(thread->finished && thread->module
                                      ? CreateThread(nullptr, 0, jobThreadProc, thread, 0, nullptr)
                                      : nullptr);
  // The thread's record is freed by hand: once the thread runs, whoever leaves the job
  // last frees it, on either thread.
  if (!handle) {
    if (thread->module) FreeLibrary(thread->module);
    if (thread->finished) CloseHandle(thread->finished);
    delete thread;
    return runHere(job);
  }
  const HANDLE waits[] = {thread->finished, cancel};
  for (;;) {
    const DWORD woken = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, kJobTickMs);
    const bool leaving = woken == WAIT_OBJECT_0 + 1 || (woken == WAIT_TIMEOUT && pastLimit(started, limitMs));
    if (leaving && leaveJob(job)) return JobEnd::kAbandoned;
    if (woken == WAIT_TIMEOUT && !leaving) {
      job->tick();
      continue;
    }
    // Finished, or cancelled or out of time just after the job finished: the job is ours
    // again once its thread has said so.
    WaitForSingleObject(thread->finished, INFINITE);
    break;
  }
  CloseHandle(thread->finished);
  delete thread;
  job->tick();
  return JobEnd::kDone;
}
