// Fuzz target: file-list entries ("URL;directory") split against a work directory; an
// accepted entry must name a file inside the work directory.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/path_text.h"
#include "download/file_list_entry.h"
#include "fuzz_check.h"

namespace {

bool terminatedWithin(const char* text, size_t size) { return std::memchr(text, '\0', size) != nullptr; }

bool climbs(const std::string& part) {
  return part.find_first_not_of(". ") == std::string::npos && std::count(part.begin(), part.end(), '.') >= 2;
}

// What an accepted entry promises, checked from the outside: the paths start with the work
// directory and a separator, the relative part neither climbs nor names a drive, the
// local name is a plain name as Windows writes it (no trailing dot or blank), and the
// file's path is the directory plus that name.
void checkAccepted(const FileListEntry& out, const std::string& work) {
  FUZZ_CHECK(terminatedWithin(out.url, sizeof out.url) && terminatedWithin(out.localName, sizeof out.localName));
  FUZZ_CHECK(terminatedWithin(out.directory, sizeof out.directory) &&
             terminatedWithin(out.filePath, sizeof out.filePath));
  const std::string directory = out.directory;
  const std::string filePath = out.filePath;
  const std::string localName = out.localName;
  FUZZ_CHECK(directory.compare(0, work.size() + 1, work + "\\") == 0);
  const std::string relative = directory.substr(work.size() + 1);
  FUZZ_CHECK(relative.find(':') == std::string::npos);
  FUZZ_CHECK(relative.empty() || !isPathSeparator(relative[0]));
  size_t start = 0;
  for (;;) {
    const size_t end = relative.find_first_of("\\/", start);
    FUZZ_CHECK(!climbs(relative.substr(start, end == std::string::npos ? end : end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  FUZZ_CHECK(!localName.empty() && localName.find_first_of("\\:") == std::string::npos);
  FUZZ_CHECK(localName.find_first_not_of(". ") != std::string::npos);
  FUZZ_CHECK(localName.back() != '.' && localName.back() != ' ');
  FUZZ_CHECK(filePath.size() < kPathCapacity && filePath.compare(0, directory.size(), directory) == 0);
  FUZZ_CHECK(filePath.size() >= localName.size() &&
             filePath.compare(filePath.size() - localName.size(), localName.size(), localName) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The work directory up to the first NUL, the entry after it; a work directory without
  // an entry is an entry in the usual work directory.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  std::string work = "C:\\TEMP\\Ostrel_client_install";
  std::string entry = input;
  if (nul != std::string::npos) {
    work = input.substr(0, nul);
    entry = input.substr(nul + 1);
  }
  FileListEntry out;
  std::memset(&out, 'x', sizeof out);
  const FileListEntryCheck check = splitFileListEntry(entry.c_str(), work.c_str(), out);
  if (check == FileListEntryCheck::kAccepted)
    checkAccepted(out, work);
  else
    FUZZ_CHECK(out.url[0] == '\0' && out.localName[0] == '\0' && out.directory[0] == '\0' && out.filePath[0] == '\0');
  return 0;
}
