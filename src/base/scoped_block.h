// Ownership of one block from the browser's allocator: given back with NPN_MemFree when
// its owner goes, unless it was released first. Free of windows.h, like the text code
// that uses it.
#pragma once

#include "base/host_services.h"

template <class T>
class ScopedBlock {
 public:
  ScopedBlock() = default;
  explicit ScopedBlock(T* block) : m_block(block) {}
  ~ScopedBlock() { NPN_MemFree(m_block); }
  ScopedBlock(ScopedBlock&& other) noexcept : m_block(other.release()) {}
  ScopedBlock& operator=(ScopedBlock&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ScopedBlock(const ScopedBlock&) = delete;
  ScopedBlock& operator=(const ScopedBlock&) = delete;

  T* get() const { return m_block; }
  explicit operator bool() const { return m_block != nullptr; }
  // Gives the block up to the caller, who frees it from now on.
  T* release() {
    T* block = m_block;
    m_block = nullptr;
    return block;
  }
  // Frees the block held, if any, and holds block instead.
  void reset(T* block = nullptr) {
    T* old = m_block;
    m_block = block;
    NPN_MemFree(old);
  }

 private:
  T* m_block = nullptr;
};
