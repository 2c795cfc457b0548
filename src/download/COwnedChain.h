// COwnedChain: an ordered, singly linked list that owns its items, each made in its own
// block from the browser's allocator. Items are appended at the end in constant time and
// destroyed with the list. The item type links itself through a member `T* next` that its
// default construction sets to null. One thread builds, reads and destroys a list.
#pragma once

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

  // A new default-made item at the end of the list, or null when there is no room.
  T* append() {
    void* block = NPN_MemAlloc(sizeof(T));
    if (!block) return nullptr;
    T* item = new (block) T();
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
