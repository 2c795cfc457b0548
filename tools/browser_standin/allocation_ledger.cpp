// AllocationLedger: the system heap under a map of live blocks and their sizes.
#include "allocation_ledger.h"

#include <cstdlib>

#include "line_output.h"

AllocationLedger::~AllocationLedger() {
  // Blocks the plug-in never gave back were reported in the balance; free them now.
  for (auto& entry : m_blocks) std::free(entry.first);
}

void* AllocationLedger::allocate(uint32_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) return nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_blocks[block] = size;
  m_liveBytes += size;
  return block;
}

void AllocationLedger::release(void* block) {
  if (!block) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_blocks.find(block);
    if (found != m_blocks.end()) {
      m_liveBytes -= found->second;
      m_blocks.erase(found);
      std::free(block);
      return;
    }
  }
  reportLine("NPN_MemFree of a block the browser never handed out (or freed twice): " +
             hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block))));
}

uint64_t AllocationLedger::liveBytes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_liveBytes;
}

size_t AllocationLedger::liveBlocks() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_blocks.size();
}
