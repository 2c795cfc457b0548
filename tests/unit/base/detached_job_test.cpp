// Detached jobs: the waiter gets the job back when it ends, walks away at once when
// cancelled, and an abandoned job tidies up and goes once its blocking call returns.
#include "base/detached_job.h"

#include <gtest/gtest.h>

#include "support/time_scale.h"

namespace {

// A job whose "blocking call" waits for release; it says through events what became of it.
class GateJob : public CDetachedJob {
 public:
  GateJob(HANDLE release, HANDLE cleanedUp, HANDLE deleted)
      : m_release(release), m_cleanedUp(cleanedUp), m_deleted(deleted) {}
  ~GateJob() override { SetEvent(m_deleted); }
  void run() override {
    WaitForSingleObject(m_release, INFINITE);
    m_ran = true;
  }
  void cleanUpAbandoned() override { SetEvent(m_cleanedUp); }
  void tick() override { ++m_ticks; }

  bool m_ran = false;
  int m_ticks = 0;

 private:
  HANDLE m_release;
  HANDLE m_cleanedUp;
  HANDLE m_deleted;
};

DWORD WINAPI openGateLater(LPVOID release) {
  Sleep(3 * kJobTickMs);
  SetEvent(static_cast<HANDLE>(release));
  return 0;
}

struct Events {
  Events() {
    for (HANDLE& event : all) event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~Events() {
    for (HANDLE event : all) CloseHandle(event);
  }
  HANDLE all[4];
  HANDLE& release = all[0];
  HANDLE& cleanedUp = all[1];
  HANDLE& deleted = all[2];
  HANDLE& cancel = all[3];
};

}  // namespace

TEST(DetachedJob, AJobThatEndsIsTheCallersAgainAfterTicksOnTheWay) {
  Events events;
  auto* job = new GateJob(events.release, events.cleanedUp, events.deleted);
  const HANDLE opener = CreateThread(nullptr, 0, openGateLater, events.release, 0, nullptr);
  EXPECT_EQ(runDetachedJob(job, events.cancel), JobEnd::kDone);
  EXPECT_TRUE(job->m_ran);
  EXPECT_GE(job->m_ticks, 2);  // while it waited, and once at the end
  EXPECT_EQ(WaitForSingleObject(events.cleanedUp, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  delete job;
  WaitForSingleObject(opener, INFINITE);
  CloseHandle(opener);
}

TEST(DetachedJob, ACancelledWaitReturnsAtOnceAndTheJobTidiesUpWhenItsCallReturns) {
  Events events;
  auto* job = new GateJob(events.release, events.cleanedUp, events.deleted);
  SetEvent(events.cancel);
  const DWORD start = GetTickCount();
  EXPECT_EQ(runDetachedJob(job, events.cancel), JobEnd::kAbandoned);
  EXPECT_LT(GetTickCount() - start, scaledMs(1000));
  // Still blocked: nothing is cleaned up or deleted before its call returns.
  EXPECT_EQ(WaitForSingleObject(events.deleted, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(events.release);
  EXPECT_EQ(WaitForSingleObject(events.cleanedUp, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(events.deleted, 5000), WAIT_OBJECT_0);
}
