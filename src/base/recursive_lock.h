// A lock that the thread holding it may take again: the system's critical section, which
// every Windows version the plug-in runs on provides (the C++ library's mutexes bring a
// thread library whose imports Windows 2000 and XP lack).
#pragma once

#include <windows.h>

class CRecursiveLock {
 public:
  CRecursiveLock() { InitializeCriticalSection(&m_section); }
  ~CRecursiveLock() { DeleteCriticalSection(&m_section); }
  CRecursiveLock(const CRecursiveLock&) = delete;
  CRecursiveLock& operator=(const CRecursiveLock&) = delete;

  void lock() { EnterCriticalSection(&m_section); }
  void unlock() { LeaveCriticalSection(&m_section); }

 private:
  CRITICAL_SECTION m_section;
};
