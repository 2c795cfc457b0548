// Method guard: a frame-based handler on the thread's exception chain stands in for a
// per-thread exception translator, which this compiler does not offer. Being a chain
// frame, it sees only the exceptions that no inner handler (the system's own included)
// has taken, exactly as a translator would.
//
// On a fault the handler ends the exception's dispatch cleanly: it points the faulting
// context at a small resume routine and lets the system continue there. That routine
// unwinds the frames inside the guard, logs, and jumps back to the guard's recovery
// point. Jumping out of the handler itself would leave the system mid-dispatch.
#include "log/method_guard.h"

#include <windows.h>

#include "log/install_log.h"

extern "C" void __cdecl ostrelResumeAtGuard(GuardFrame* frame);

// Entered in place of the faulting instruction with the guard's frame in eax, on the
// faulting stack (everything below it is dead once the dispatch has ended).
extern "C" void ostrelResumeTrampoline();
asm(".text\n"
    ".globl _ostrelResumeTrampoline\n"
    "_ostrelResumeTrampoline:\n"
    "  andl $-16, %esp\n"
    "  subl $12, %esp\n"
    "  pushl %eax\n"
    "  call _ostrelResumeAtGuard\n"
    "  int3\n");

// RtlUnwind on x86 does not keep ebx, esi and edi; call it through a wrapper that does,
// as the compilers' own exception runtimes do.
extern "C" void __cdecl ostrelUnwindInnerFrames(GuardFrame* frame);
asm(".text\n"
    ".globl _ostrelUnwindInnerFrames\n"
    "_ostrelUnwindInnerFrames:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl $0\n"
    "  pushl $0\n"
    "  pushl $0\n"
    "  pushl 8(%ebp)\n"
    "  call *__imp__RtlUnwind@16\n"
    "  leal -12(%ebp), %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

namespace {

// The head of the thread's exception-handler chain, the first word of its information
// block at FS:[0]. Read and written directly: the system header's accessor trips a
// compiler bounds warning.
GuardFrame* chainHead() {
  GuardFrame* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void setChainHead(GuardFrame* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

// Success and informational codes (debug output, thread naming) are not faults.
bool isFault(DWORD code) { return (code & 0x80000000u) != 0; }

extern "C" EXCEPTION_DISPOSITION __cdecl guardFrameHandler(EXCEPTION_RECORD* record,
                                                           void* frame, CONTEXT* context,
                                                           void* /*dispatcherContext*/) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  if (!isFault(record->ExceptionCode)) return ExceptionContinueSearch;
  static_cast<GuardFrame*>(frame)->guard->recordFault(record->ExceptionCode);
  context->Eip = reinterpret_cast<DWORD>(&ostrelResumeTrampoline);
  context->Eax = reinterpret_cast<DWORD>(frame);
  return ExceptionContinueExecution;
}

}  // namespace

extern "C" void __cdecl ostrelResumeAtGuard(GuardFrame* frame) {
  // Let the frames inside the guard run their unwind handlers; the guard's own record
  // is then the innermost on the chain again.
  ostrelUnwindInnerFrames(frame);
  CMethodGuard* guard = frame->guard;
  // A fault while an earlier fault of this guard was being logged: leave at once.
  if (!guard->startReport()) __builtin_longjmp(guard->recoveryPoint(), 1);
  pluginExceptionHandler(guard->faultCode(), nullptr);
}

CMethodGuard::CMethodGuard(const char* name)
    : m_frame(),
      m_name(name),
      m_recovery(),
      m_faultCode(0),
      m_reporting(false),
      m_logHolds(installLogHolds()) {
  m_frame.guard = this;
  m_frame.handler = reinterpret_cast<void*>(&guardFrameHandler);
  m_frame.previous = chainHead();
  setChainHead(&m_frame);
}

CMethodGuard::~CMethodGuard() { setChainHead(m_frame.previous); }

const void* currentTranslator() { return chainHead(); }

const char* innermostGuardName() {
  // The chain's end is marked by the all-ones address.
  for (GuardFrame* frame = chainHead(); frame && frame != reinterpret_cast<GuardFrame*>(-1);
       frame = frame->previous)
    if (frame->handler == reinterpret_cast<void*>(&guardFrameHandler)) return frame->guard->name();
  return nullptr;
}

// Continuable: the guard that catches it continues the faulting context at its resume
// routine, and continuing a non-continuable exception would only raise another fault.
void raiseFault(uint32_t code) { RaiseException(code, 0, 0, nullptr); }

void pluginExceptionHandler(uint32_t /*code*/, _EXCEPTION_POINTERS* /*pointers*/) {
  logLine("pluginExceptionHandler() was called!");
  // The frames inside the guard are unwound: the innermost record is the guard's own.
  __builtin_longjmp(chainHead()->guard->recoveryPoint(), 1);
}

void reportMethodFault(const CLogInstance* instance, const char* traceName, const SE_Exception& fault) {
  {
    // One lock over the whole line, so that the other thread cannot split it.
    auto lock = lockInstallLog();
    logText("Exception caught in ");
    logText(traceName);
    logText(".  Exception number: ");
    logUnsignedLine(fault.code);
  }
  // The faulting thread may be the browser's: the upload goes on without it.
  sendInstallLog(instance, kFaultSend);
}
