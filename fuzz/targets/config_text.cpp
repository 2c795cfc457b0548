// Fuzz target: configuration-file text (CR LF lines, no escapes, length limits) into a
// CPropertyMap, then the map's lookups, with and without room in the allocator.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/host_services.h"
#include "download/CPropertyMap.h"
#include "download/property_text.h"
#include "fuzz_check.h"

namespace {

struct Walk {
  const CPropertyMap* map;
  bool wholeKeys;  // no NUL in the text, so no key reads shorter than it was stored
  std::string previous;
  int32_t pairs;
};

// Every stored pair obeys the dialect: a key that no line end splits, within the limits,
// in strictly rising order, found again by its own text.
void checkPair(const char* key, const char* value, void* context) {
  auto* walk = static_cast<Walk*>(context);
  const std::string text(key);
  FUZZ_CHECK(text.size() <= kConfigurationKeyLimit);
  FUZZ_CHECK(std::strlen(value) <= kConfigurationValueLimit);
  FUZZ_CHECK(text.find('=') == std::string::npos && text.find("\r\n") == std::string::npos);
  if (walk->wholeKeys) {
    FUZZ_CHECK(!text.empty() && text[0] != '#');
    FUZZ_CHECK(walk->pairs == 0 || walk->previous < text);
    FUZZ_CHECK(walk->map->find(key) == value);
  }
  walk->previous = text;
  ++walk->pairs;
}

int32_t parseAndCheck(const char* text, size_t size) {
  CPropertyMap map;
  const int32_t dropped = parseConfigurationText(map, text, size);
  FUZZ_CHECK(dropped >= 0);
  Walk walk{&map, std::memchr(text, '\0', size) == nullptr, std::string(), 0};
  map.forEach(checkPair, &walk);
  FUZZ_CHECK(walk.pairs == map.count());
  char value[64] = {};
  if (copyProperty(map, walk.previous.c_str(), value, sizeof value))
    FUZZ_CHECK(std::strlen(value) < sizeof value);
  NPN_MemFree(getProperty(map, "smartclient.configURL", "missing"));
  return map.count();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const long before = native_browser::allocations();
  const int32_t pairs = parseAndCheck(text, size);
  FUZZ_CHECK_NO_LIVE_BLOCKS();
  // Again with the allocator giving out only half of what the text needed.
  native_browser::failAllocationsAfter((native_browser::allocations() - before) / 2);
  FUZZ_CHECK(parseAndCheck(text, size) <= pairs);
  native_browser::failAllocationsAfter(-1);
  FUZZ_CHECK_NO_LIVE_BLOCKS();
  return 0;
}
