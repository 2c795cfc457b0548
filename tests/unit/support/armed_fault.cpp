// armFaultFor, and the test programs' raiseArmedFault that acts on it. Both live in this
// one file: a program that arms a fault references armFaultFor, which pulls this file in
// from the support library, and its raiseArmedFault comes with it, before the linker
// reaches the plug-in's empty one.
#include "support/armed_fault.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "log/method_guard.h"

namespace {

// Read by the guarded methods of any thread; the exchange makes one fault out of one arming.
std::atomic<const char*> g_armedFault{nullptr};
// The thread whose guards the armed fault passes by; 0 for none.
std::atomic<DWORD> g_sparedThread{0};

}  // namespace

void armFaultFor(const char* traceName) {
  g_sparedThread = 0;
  g_armedFault = traceName;
}

void armJobFaultFor(const char* traceName) {
  g_sparedThread = GetCurrentThreadId();
  g_armedFault = traceName;
}

void raiseArmedFault(const char* traceName) {
  const char* armed = g_armedFault.load();
  if (!armed || std::strcmp(armed, traceName) != 0) return;
  if (g_sparedThread.load() == GetCurrentThreadId()) return;
  if (!g_armedFault.compare_exchange_strong(armed, nullptr)) return;
  RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
}
