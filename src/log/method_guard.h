// The fault guard that every plug-in method runs under: a structured exception (access
// violation, divide by zero, ...) raised inside the guarded body on the same thread is
// logged with the method's trace name, the log is sent, and the method returns normally.
#pragma once

#include <cstdint>

#include "log/install_log.h"
#include "log/log_instance.h"

struct _EXCEPTION_POINTERS;

// A structured exception as the guard hands it to the method that caught it.
class SE_Exception {
 public:
  explicit SE_Exception(uint32_t faultCode) : code(faultCode) {}
  virtual ~SE_Exception() = default;

  uint32_t code;  // as the system reports it, 0xC0000005 for an access violation
};

class CMethodGuard;

// The record linked into the thread's exception-handler chain. The system reads only the
// first two members.
struct GuardFrame {
  GuardFrame* previous;
  void* handler;
  CMethodGuard* guard;
};

// A scoped guard, one per running guarded method; guards nest. While any guard of a
// thread is alive, faults of that thread that no inner handler takes reach the innermost
// guard. Touched only by the thread that built it.
class CMethodGuard {
 public:
  // name is kept, not copied: it must outlive the guard, as the string literal every
  // guarded method passes does.
  explicit CMethodGuard(const char* name);
  ~CMethodGuard();
  CMethodGuard(const CMethodGuard&) = delete;
  CMethodGuard& operator=(const CMethodGuard&) = delete;

  // The jump buffer the guarded body is entered from (see runGuarded).
  void** recoveryPoint() { return m_recovery; }
  uint32_t faultCode() const { return m_faultCode; }
  // The handler that was innermost on this thread before this guard.
  const void* previousTranslator() const { return m_frame.previous; }
  const char* name() const { return m_name; }
  // The log's locks the thread held when the guard started.
  const InstallLogHolds& logHoldsOnEntry() const { return m_logHolds; }

  // Used by the fault path: keeps the code, and tells whether the fault is already being
  // reported (a fault inside the report must not start another one).
  void recordFault(uint32_t code) { m_faultCode = code; }
  bool startReport() {
    const bool first = !m_reporting;
    m_reporting = true;
    return first;
  }

 private:
  GuardFrame m_frame;  // lives on the stack, as the system requires of chain records
  const char* m_name;  // no copy: entering a method asks the browser for no memory
  void* m_recovery[5];
  uint32_t m_faultCode;
  bool m_reporting;
  InstallLogHolds m_logHolds;
};

// The innermost exception handler of the calling thread.
const void* currentTranslator();

// Called on the faulting thread once the frames inside the innermost guard are unwound:
// logs that it was called and resumes that guard's method at its recovery point. The
// exception's own records are gone by then: pointers is null, the code is all there is.
[[noreturn]] void pluginExceptionHandler(uint32_t code, _EXCEPTION_POINTERS* pointers);

// Writes the method's fault message and the code, then sends the log for the instance,
// waiting as kFaultSend says.
void reportMethodFault(const CLogInstance* instance, const char* traceName, const SE_Exception& fault);

// Called as each guarded method starts, inside its guard. The plug-in's own definition
// (armed_fault.cpp) does nothing. The unit tests link their own in its place
// (tests/unit/support/armed_fault.h), which faults in a method they name, so that the
// recovery paths of the real methods can be tested; the plug-in keeps no such state.
void raiseArmedFault(const char* traceName);

// Calls the body out of line. The recovery point must be complete before the first
// instruction of the body can fault; an inlined body could be scheduled into the middle
// of setting it up.
template <class Body>
__attribute__((noinline)) void invokeGuardedBody(Body* body) {
  (*body)();
}

// The trace name of the calling thread's innermost guard; null outside every guard.
const char* innermostGuardName();

// Raises code as a fault on the calling thread, for its innermost guard to catch as its
// own: how a fault caught on a job's thread reaches the method the job served.
void raiseFault(uint32_t code);

// Runs body under a guard named traceName and gives the code of the fault that ended it,
// or 0 when it ran to its end. Nothing is logged. Objects the body made between the guard
// and the fault are not destroyed on that path: keep owning locals out of guarded bodies.
template <class Body>
uint32_t catchFault(const char* traceName, Body&& body) {
  volatile uint32_t code = 0;
  CMethodGuard guard(traceName);
  if (__builtin_setjmp(guard.recoveryPoint()) == 0) {
    asm volatile("" ::: "memory");
    raiseArmedFault(traceName);
    invokeGuardedBody(&body);
  } else {
    code = guard.faultCode();
    // The jump skipped the destructors of any log lock taken inside the body.
    releaseInstallLogHoldsAbove(guard.logHoldsOnEntry());
  }
  return code;
}

// Runs body under a guard named traceName. True when the body ran to its end; false when
// a fault ended it, after the fault was logged and the log sent.
template <class Body>
bool runGuarded(const CLogInstance* instance, const char* traceName, Body&& body) {
  const uint32_t code = catchFault(traceName, body);
  if (code == 0) return true;
  reportMethodFault(instance, traceName, SE_Exception(code));
  return false;
}
