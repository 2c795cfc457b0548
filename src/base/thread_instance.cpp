// threadInstance: a thread-local slot of the system's, and a process-wide counter.
#include "base/thread_instance.h"

#include <windows.h>

#include "base/thread_count.h"

namespace {

CThreadCount g_instance;
volatile LONG g_numbersGiven = 0;

void setThreadInstance(uint32_t number) { g_instance.set(static_cast<int>(number)); }

}  // namespace

uint32_t threadInstance() { return static_cast<uint32_t>(g_instance.get()); }

uint32_t newInstanceNumber() {
  uint32_t number = 0;
  // After four thousand million instances the counter wraps: 0 stays "no instance".
  while (number == 0) number = static_cast<uint32_t>(InterlockedIncrement(&g_numbersGiven));
  return number;
}

ThreadInstanceScope::ThreadInstanceScope(uint32_t number) : m_before(threadInstance()) { setThreadInstance(number); }

ThreadInstanceScope::~ThreadInstanceScope() { setThreadInstance(m_before); }
