// Fuzz target: configuration-file text (CR LF lines, no escapes, length limits) into a
// CPropertyMap, then the map's lookups, with and without room in the allocator.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/host_services.h"
#include "download/CPropertyMap.h"
#include "download/property_text.h"
#include "fuzz_check.h"
#include "property_map_checks.h"

namespace {

// Every stored pair obeys the dialect: a key that no line end splits, within the limits,
// in strictly rising order, found again by its own text.
void checkPair(const char* key, const char* value, void* context) {
  auto* walk = static_cast<Walk*>(context);
  const std::string text(key);
  FUZZ_CHECK(text.size() <= kConfigurationKeyLimit);
  FUZZ_CHECK(std::strlen(value) <= kConfigurationValueLimit);
  FUZZ_CHECK(text.find('=') == std::string::npos && text.find("\r\n") == std::string::npos);
  checkSharedKeyRules(*walk, text, key, value);
}

int32_t parseAndCheck(const char* text, size_t size) {
  CPropertyMap map;
  const int32_t dropped = parseConfigurationText(map, text, size);
  FUZZ_CHECK(dropped >= 0);
  const std::string lastKey = walkPairs(map, text, size, checkPair);
  char value[64] = {};
  if (copyProperty(map, lastKey.c_str(), value, sizeof value))
    FUZZ_CHECK(std::strlen(value) < sizeof value);
  NPN_MemFree(getProperty(map, "smartclient.configURL", "missing"));
  return map.count();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return runWithAndWithoutRoom(data, size, parseAndCheck);
}
