// Fuzz target: package-list text (any line end, escapes in values, no limits) into a
// CPropertyMap, then the file sets read from it, with and without room in the allocator.
#include <cstdint>
#include <cstring>
#include <string>

#include "download/CPropertyMap.h"
#include "download/file_set_reader.h"
#include "download/property_text.h"
#include "fuzz_check.h"
#include "property_map_checks.h"

namespace {

// A key is never empty, never a comment, and holds no line end and no "=" after its first
// character; keys come in strictly rising order and each finds its own value.
void checkPair(const char* key, const char* value, void* context) {
  auto* walk = static_cast<Walk*>(context);
  const std::string text(key);
  FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos);
  FUZZ_CHECK(text.size() < 2 || text.find('=', 1) == std::string::npos);
  checkSharedKeyRules(*walk, text, key, value);
}

// Names and versions are cut to the records' limits, and the sets stay within what the
// list can describe: no more sets, and no more sets and elements together, than the
// reading budget of the list's pairs allows.
void checkSets(const CFileSetList& sets, int32_t pairs) {
  int64_t records = 0;
  for (const CFileSet* set = sets.first(); set; set = set->next) {
    FUZZ_CHECK(std::strlen(set->name()) <= kFileSetNameLimit);
    FUZZ_CHECK(std::strlen(set->version()) <= kFileSetVersionLimit);
    ++records;
    for (const CFileSetElement* element = set->elements.first(); element; element = element->next) {
      FUZZ_CHECK(std::strlen(element->name()) <= kFileSetNameLimit);
      FUZZ_CHECK(std::strlen(element->version()) <= kFileSetVersionLimit);
      ++records;
    }
    FUZZ_CHECK(set->elements.count() <= pairs);
  }
  FUZZ_CHECK(sets.count() <= pairs);
  FUZZ_CHECK(records <= 2 * static_cast<int64_t>(pairs) + 64);
}

int32_t parseAndCheck(const char* text, size_t size) {
  CPropertyMap map;
  const int32_t dropped = parsePropertyText(map, text, size);
  FUZZ_CHECK(dropped >= 0);
  walkPairs(map, text, size, checkPair);
  CFileSetList sets;
  if (readFileSets(map, sets) == FileSetReading::kComplete) checkSets(sets, map.count());
  return map.count();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return runWithAndWithoutRoom(data, size, parseAndCheck);
}
