// What both property-text targets share: the walk over a parsed map with the key rules
// common to the two dialects, and running each input twice, once with room and once with
// the allocator giving out only half of what the first parse took.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "download/CPropertyMap.h"
#include "fuzz_check.h"
#include "native_browser.h"

struct Walk {
  const CPropertyMap* map;
  bool wholeKeys;  // no NUL in the text, so no key reads shorter than it was stored
  std::string previous;
  int32_t pairs;
};

// A key that is whole is never empty and never a comment; keys come in strictly rising
// order and each finds its own value.
inline void checkSharedKeyRules(Walk& walk, const std::string& text, const char* key, const char* value) {
  if (walk.wholeKeys) {
    FUZZ_CHECK(!text.empty() && text[0] != '#');
    FUZZ_CHECK(walk.pairs == 0 || walk.previous < text);
    FUZZ_CHECK(walk.map->find(key) == value);
  }
  walk.previous = text;
  ++walk.pairs;
}

// Walks the map with checkPair, checks that it met every pair, and gives the last key.
inline std::string walkPairs(const CPropertyMap& map, const char* text, size_t size,
                             void (*checkPair)(const char*, const char*, void*)) {
  Walk walk{&map, std::memchr(text, '\0', size) == nullptr, std::string(), 0};
  map.forEach(checkPair, &walk);
  FUZZ_CHECK(walk.pairs == map.count());
  return walk.previous;
}

// parseAndCheck(text, size) gives the number of pairs it kept; with less room it may keep
// fewer, never more, and nothing may stay allocated either way.
template <class ParseAndCheck>
int runWithAndWithoutRoom(const uint8_t* data, size_t size, ParseAndCheck parseAndCheck) {
  const char* text = reinterpret_cast<const char*>(data);
  const long before = native_browser::allocations();
  const int32_t pairs = parseAndCheck(text, size);
  FUZZ_CHECK_NO_LIVE_BLOCKS();
  native_browser::failAllocationsAfter((native_browser::allocations() - before) / 2);
  FUZZ_CHECK(parseAndCheck(text, size) <= pairs);
  native_browser::failAllocationsAfter(-1);
  FUZZ_CHECK_NO_LIVE_BLOCKS();
  return 0;
}
