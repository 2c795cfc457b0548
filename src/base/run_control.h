// Leaving the page: what the browser's thread and an instance's worker share to stop a
// run, and the instance's internet session, which stays open while a download the worker
// walked away from still holds a request of it.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_handle.h"
#include "base/scoped_internet_handle.h"

class CRunControl {
 public:
  // One reference, held by the record. Null when the cancel event cannot be made.
  static CRunControl* create();
  CRunControl(const CRunControl&) = delete;
  CRunControl& operator=(const CRunControl&) = delete;

  // The browser's thread: from now on every wait of the run ends at once.
  void cancel();
  bool cancelled() const { return m_cancelled != 0; }
  // Signalled by cancel; for the waits of the run.
  HANDLE cancelEvent() const { return m_cancelEvent.get(); }
  // True for the first caller only: the cancellation is logged once.
  bool claimNote() { return InterlockedExchange(&m_noted, 1) == 0; }

  // Takes over the work directory's claim, which then lasts as long as the control: a
  // download the worker walked away from still holds its file there, and a new run must
  // not take the folder before that file is gone.
  void keepClaim(HANDLE claim) { m_claim.reset(claim); }
  // The instance's session, once opened (before any request of the run): closed with the
  // control.
  void adoptSession(HINTERNET session) { m_session.reset(session); }

  void addRef() { InterlockedIncrement(&m_references); }
  // The last reference closes the session, the event and the claim.
  void release();

 private:
  explicit CRunControl(HANDLE cancelEvent);
  ~CRunControl() = default;

  // Destroyed last to first: the session is closed before the event, as always, and the
  // claim goes last, once nothing of the run holds a file in the folder.
  ScopedKernelHandle m_claim;
  ScopedKernelHandle m_cancelEvent;
  ScopedInternetHandle m_session;
  volatile LONG m_references = 1;
  volatile LONG m_cancelled = 0;
  volatile LONG m_noted = 0;
};

// Whether the page has been left during the run of control (never, without one).
bool runCancelled(const CRunControl* control);
