// Fuzz target: archive entry names against the containment rule, checked from the outside:
// an accepted name never leads out of the destination and never opens a device; and the
// name an entry is written under ends no part in a dot or a blank, as Windows would
// write it, and holds to the same rule.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_paths.h"
#include "fuzz_check.h"

namespace {

// A part of dots and spaces with two dots or more: the file system may read it as "..".
bool climbs(const std::string& part) {
  return part.find_first_not_of(". ") == std::string::npos && std::count(part.begin(), part.end(), '.') >= 2;
}

bool namesDevice(std::string part) {
  part = part.substr(0, part.find('.'));
  part.erase(part.find_last_not_of(' ') + 1);
  for (char& c : part) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (part == "con" || part == "prn" || part == "aux" || part == "nul" || part == "conin$" || part == "conout$")
    return true;
  return part.size() == 4 && (part.compare(0, 3, "com") == 0 || part.compare(0, 3, "lpt") == 0) && part[3] >= '1' &&
         part[3] <= '9';
}

void checkAccepted(const std::string& name) {
  FUZZ_CHECK(name.empty() || !isPathSeparator(name[0]));
  FUZZ_CHECK(name.find(':') == std::string::npos);
  size_t start = 0;
  for (;;) {
    const size_t end = name.find_first_of("\\/", start);
    const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    FUZZ_CHECK(!climbs(part) && !namesDevice(part));
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string name = input.substr(0, input.find('\0'));
  if (isContainedEntryName(name.c_str())) checkAccepted(name);
  std::vector<char> written(name.size() + 1);
  if (entryNameAsWritten(name.c_str(), written.data(), written.size())) {
    const std::string text(written.data());
    FUZZ_CHECK(text.size() <= name.size() && text.find('/') == std::string::npos);
    // Every part ends in something else than a dot or a blank, or is empty.
    for (size_t end = text.find('\\');; end = text.find('\\', end + 1)) {
      const size_t at = end == std::string::npos ? text.size() : end;
      FUZZ_CHECK(at == 0 || (text[at - 1] != '.' && text[at - 1] != ' '));
      if (end == std::string::npos) break;
    }
    checkAccepted(text);
  }

  // Comparing without case is symmetric and every name equals itself.
  const size_t half = name.size() / 2;
  const std::string left = name.substr(0, half);
  const std::string right = name.substr(half);
  FUZZ_CHECK(equalsIgnoringCase(left.c_str(), right.c_str()) == equalsIgnoringCase(right.c_str(), left.c_str()));
  FUZZ_CHECK(equalsIgnoringCase(name.c_str(), name.c_str()));
  return 0;
}
