// A count kept separately for each thread, in a slot of the system's thread-local
// storage. The compiler's thread_local needs a thread library whose imports Windows 2000
// and XP lack, and a library loaded at run time cannot use implicit thread-local data
// before Windows Vista.
#pragma once

#include <windows.h>

#include <cstdint>

class CThreadCount {
 public:
  CThreadCount() : m_slot(TlsAlloc()) {}
  ~CThreadCount() {
    if (m_slot != TLS_OUT_OF_INDEXES) TlsFree(m_slot);
  }
  CThreadCount(const CThreadCount&) = delete;
  CThreadCount& operator=(const CThreadCount&) = delete;

  // A thread that never set its count reads 0, as does every thread when the process ran
  // out of slots.
  int get() const {
    if (m_slot == TLS_OUT_OF_INDEXES) return 0;
    return static_cast<int>(reinterpret_cast<intptr_t>(TlsGetValue(m_slot)));
  }
  void set(int value) {
    if (m_slot != TLS_OUT_OF_INDEXES) TlsSetValue(m_slot, reinterpret_cast<void*>(static_cast<intptr_t>(value)));
  }

 private:
  DWORD m_slot;
};
