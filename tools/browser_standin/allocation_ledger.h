// The browser's allocator as the plug-in sees it through NPN_MemAlloc and NPN_MemFree,
// keeping a running balance of bytes and blocks. Safe from any thread: the plug-in's
// worker allocates too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

class AllocationLedger {
 public:
  AllocationLedger() = default;
  ~AllocationLedger();
  AllocationLedger(const AllocationLedger&) = delete;
  AllocationLedger& operator=(const AllocationLedger&) = delete;

  // A block of at least one byte, so that every block is distinct; null when the
  // system has no memory.
  void* allocate(uint32_t size);
  // Frees a block handed out here. Null is ignored; a pointer that is not a live block
  // is reported and left alone rather than passed to the system heap.
  void release(void* block);

  uint64_t liveBytes() const;
  size_t liveBlocks() const;

 private:
  mutable std::mutex m_mutex;
  std::unordered_map<void*, uint32_t> m_blocks;
  uint64_t m_liveBytes = 0;
};
