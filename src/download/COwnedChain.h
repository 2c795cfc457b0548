// COwnedChain: an ordered, singly linked list that owns its items, each made in its own
// block from the browser's allocator. Items are appended at the end in constant time and
// destroyed with the list. The item type links itself through a member `T* next` that its
// construction sets to null. An item may keep texts of its own in its block, after itself.
// One thread builds, reads and destroys a list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "base/host_services.h"

template <class T>
class COwnedChain {
 public:
  COwnedChain() : m_first(nullptr), m_last(nullptr), m_count(0) {}
  ~COwnedChain() {
    T* item = m_first;
    while (item) {
      T* next = item->next;
      item->~T();
      NPN_MemFree(item);
      item = next;
    }
  }
  COwnedChain(const COwnedChain&) = delete;
  COwnedChain& operator=(const COwnedChain&) = delete;

  // A new item made from args at the end of the list, in a block with `extra` bytes after
  // the item for the item's own use; null when there is no room.
  template <class... Args>
  T* append(size_t extra, const Args&... args) {
    if (extra > UINT32_MAX - sizeof(T)) return nullptr;
    void* block = NPN_MemAlloc(static_cast<uint32_t>(sizeof(T) + extra));
    if (!block) return nullptr;
    T* item = new (block) T(args...);
    if (m_last)
      m_last->next = item;
    else
      m_first = item;
    m_last = item;
    ++m_count;
    return item;
  }

  const T* first() const { return m_first; }
  int32_t count() const { return m_count; }
  bool empty() const { return m_count == 0; }

 private:
  T* m_first;
  T* m_last;
  int32_t m_count;
};
