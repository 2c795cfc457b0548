// CPropertyMap: the pairs of a properties text (the client configuration file or the
// package list), ordered by key. Keys compare byte by byte as unsigned characters, a
// shorter key before a longer one that starts with it, letter case counting; the first
// pair given for a key is the one kept. Each pair lives in one block from the browser's
// allocator. A map is built, read and thrown away by one thread (the instance's worker).
#pragma once

#include <cstddef>
#include <cstdint>

struct CPropertyNode;

class CPropertyMap {
 public:
  CPropertyMap();
  ~CPropertyMap();
  CPropertyMap(const CPropertyMap&) = delete;
  CPropertyMap& operator=(const CPropertyMap&) = delete;

  // Stores copies of a counted key and value unless the key is empty or already present.
  // False only when the pair was new and there was no room for it.
  bool insert(const char* key, size_t keyLength, const char* value, size_t valueLength);
  // The value stored for a key, or null when it is absent (or the key is null). The map
  // keeps the value; it lives as long as the map.
  const char* find(const char* key) const;
  int32_t count() const { return m_count; }
  // Calls visit for every pair, in key order.
  void forEach(void (*visit)(const char* key, const char* value, void* context),
               void* context) const;

 private:
  CPropertyNode* m_root;
  int32_t m_count;
};

// A new allocator block with a copy of the value for key, or of defaultValue when the key
// is absent (null for a null default). Null when there is no room. The caller frees it
// with NPN_MemFree.
char* getProperty(const CPropertyMap& map, const char* key, const char* defaultValue);

// When the value for key is present and not empty, copies at most size - 1 characters of
// it and a NUL into buffer and returns true. Otherwise (absent, empty, or size 0) leaves
// buffer untouched and returns false; callers clear the buffer first so that a missing
// key reads as the empty text.
bool copyProperty(const CPropertyMap& map, const char* key, char* buffer, size_t size);
