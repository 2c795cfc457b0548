// readFileSets: the package list's keys into CFileSet records.
#include "download/file_set_reader.h"

#include <algorithm>
#include <cstdio>

#include "base/leading_integer.h"
#include "download/CPropertyMap.h"

namespace {

constexpr size_t kCountBuffer = 512;
// A set name holds at most 259 characters, so every key formed from it fits here whole
// and no lookup is ever made with a cut key.
constexpr size_t kKeyBuffer = kFileSetNameLimit + 1 + 32;

int32_t readCount(const CPropertyMap& packageList, const char* key) {
  char text[kCountBuffer] = {};
  copyProperty(packageList, key, text, sizeof text);
  return readLeadingInteger(text);
}

// The value for key cut to at most limit characters; the empty text when it is absent.
CFileSetText readText(const CPropertyMap& packageList, const char* key, size_t limit) {
  const char* value = packageList.find(key);
  if (!value) return CFileSetText{"", 0};
  size_t length = 0;
  while (length < limit && value[length]) ++length;
  return CFileSetText{value, length};
}

// A list of n pairs can describe no more than n sets, nor more than n elements in one
// set; honest lists spend at most one step per pair in all. Larger counts are cut to
// that, so a sloppy count still reads the sets that exist and a count of two billion
// does not make two billion empty sets.
class ReadingBudget {
 public:
  explicit ReadingBudget(int32_t pairs) : m_pairs(pairs), m_remaining(2 * static_cast<int64_t>(pairs) + 64) {}
  int32_t clamp(int32_t count) {
    const int64_t allowed = std::max<int64_t>(0, std::min<int64_t>({count, m_pairs, m_remaining}));
    m_remaining -= allowed;
    return static_cast<int32_t>(allowed);
  }

 private:
  int64_t m_pairs;
  int64_t m_remaining;
};

FileSetReading readElements(const CPropertyMap& packageList, CFileSet& set, ReadingBudget& budget) {
  char key[kKeyBuffer];
  std::snprintf(key, sizeof key, "%s.files", set.name());
  const int32_t count = budget.clamp(readCount(packageList, key));
  for (int32_t j = 0; j < count; ++j) {
    std::snprintf(key, sizeof key, "%s.element.%ld", set.name(), static_cast<long>(j));
    const CFileSetText name = readText(packageList, key, kFileSetNameLimit);
    // The element's version key carries no set name: element j of every set reads it.
    std::snprintf(key, sizeof key, ".version.%ld", static_cast<long>(j));
    const CFileSetText version = readText(packageList, key, kFileSetVersionLimit);
    if (!set.elements.append(fileSetTextsSize(name, version), name, version)) return FileSetReading::kNoRoom;
  }
  return FileSetReading::kComplete;
}

// Set n, its texts cut to their limits, at the end of fileSets; null when there is no room.
// Its keys are formed from the cut name, as are those of its elements.
CFileSet* appendSet(const CPropertyMap& packageList, int32_t n, CFileSetList& fileSets) {
  char key[kKeyBuffer];
  std::snprintf(key, sizeof key, "updaterFile.%ld", static_cast<long>(n));
  const CFileSetText name = readText(packageList, key, kFileSetNameLimit);
  std::snprintf(key, sizeof key, "%.*s.version", static_cast<int>(name.length), name.text);
  const CFileSetText version = readText(packageList, key, kFileSetVersionLimit);
  return fileSets.append(fileSetTextsSize(name, version), name, version);
}

}  // namespace

FileSetReading readFileSets(const CPropertyMap& packageList, CFileSetList& fileSets) {
  ReadingBudget budget(packageList.count());
  const int32_t count = budget.clamp(readCount(packageList, "updaterFiles"));
  for (int32_t n = 0; n < count; ++n) {
    CFileSet* set = appendSet(packageList, n, fileSets);
    if (!set) return FileSetReading::kNoRoom;
    const FileSetReading elements = readElements(packageList, *set, budget);
    if (elements != FileSetReading::kComplete) return elements;
  }
  return FileSetReading::kComplete;
}
