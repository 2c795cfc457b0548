// Emptying a folder that holds links, on a file system laid out in memory: Wine makes no
// junctions or folder links, so the walk runs against a table of calls of the test's own,
// which records what was searched, deleted and removed.
#include "base/folder_emptying.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT;

// Every path with its attributes; a folder's entries are the paths one level below it.
struct FakeDisk {
  std::map<std::string, DWORD> entries;
  std::vector<std::string> searched, deleted, removed;
  std::vector<std::vector<std::string>> open;  // the names each open search has still to give
};
FakeDisk disk;

std::vector<std::string> namesBelow(const std::string& folder) {
  std::vector<std::string> names = {".", ".."};
  for (const auto& [path, attributes] : disk.entries)
    if (path.size() > folder.size() + 1 && path.compare(0, folder.size() + 1, folder + "\\") == 0 &&
        path.find('\\', folder.size() + 1) == std::string::npos)
      names.push_back(path.substr(folder.size() + 1));
  return names;
}

bool giveNext(size_t search, LPWIN32_FIND_DATAA found, const std::string& folder) {
  auto& left = disk.open[search];
  if (left.empty()) return false;
  const std::string name = left.front();
  left.erase(left.begin());
  std::memset(found, 0, sizeof *found);
  std::strcpy(found->cFileName, name.c_str());
  const auto entry = disk.entries.find(folder + "\\" + name);
  found->dwFileAttributes = entry == disk.entries.end() ? kFolder : entry->second;
  return true;
}

std::vector<std::string> searchFolders;

HANDLE WINAPI fakeFindFirst(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
  std::string folder(pattern);
  folder.resize(folder.size() - 2);  // the "\*"
  disk.searched.push_back(folder);
  disk.open.push_back(namesBelow(folder));
  searchFolders.push_back(folder);
  const size_t search = disk.open.size() - 1;
  giveNext(search, found, folder);
  return reinterpret_cast<HANDLE>(search + 1);
}

BOOL WINAPI fakeFindNext(HANDLE handle, LPWIN32_FIND_DATAA found) {
  const size_t search = reinterpret_cast<size_t>(handle) - 1;
  if (giveNext(search, found, searchFolders[search])) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL WINAPI fakeFindClose(HANDLE) { return TRUE; }

DWORD WINAPI fakeAttributes(LPCSTR path) {
  const auto entry = disk.entries.find(path);
  return entry == disk.entries.end() ? INVALID_FILE_ATTRIBUTES : entry->second;
}

BOOL WINAPI fakeSetAttributes(LPCSTR path, DWORD attributes) {
  disk.entries[path] = attributes;
  return TRUE;
}

BOOL WINAPI fakeDelete(LPCSTR path) {
  if (disk.entries[path] & FILE_ATTRIBUTE_READONLY) return FALSE;
  disk.deleted.push_back(path);
  disk.entries.erase(path);
  return TRUE;
}

BOOL WINAPI fakeRemove(LPCSTR path) {
  disk.removed.push_back(path);
  disk.entries.erase(path);
  return TRUE;
}

const FolderCalls kFakeCalls = {fakeFindFirst,     fakeFindNext, fakeFindClose, fakeAttributes,
                                fakeSetAttributes, fakeDelete,   fakeRemove};

void layOut(std::map<std::string, DWORD> entries) {
  disk = FakeDisk{};
  searchFolders.clear();
  disk.entries = std::move(entries);
}

}  // namespace

TEST(FolderEmptying, ALinkBelowTheFolderIsRemovedItselfAndWhatItPointsAtIsKept) {
  layOut({{"C:\\work", kFolder},
          {"C:\\work\\client.exe", FILE_ATTRIBUTE_READONLY},
          {"C:\\work\\bin", kFolder},
          {"C:\\work\\bin\\updater.exe", 0},
          // A junction to the user's documents, and what shows through it.
          {"C:\\work\\junction", kFolder | kLink},
          {"C:\\work\\junction\\letter.doc", 0},
          {"C:\\work\\notes.lnk", kLink}});
  EXPECT_TRUE(emptyFolder("C:\\work", kFakeCalls));
  EXPECT_EQ(disk.searched, (std::vector<std::string>{"C:\\work", "C:\\work\\bin"}));
  EXPECT_EQ(std::set<std::string>(disk.deleted.begin(), disk.deleted.end()),
            (std::set<std::string>{"C:\\work\\client.exe", "C:\\work\\bin\\updater.exe", "C:\\work\\notes.lnk"}));
  EXPECT_EQ(std::set<std::string>(disk.removed.begin(), disk.removed.end()),
            (std::set<std::string>{"C:\\work\\bin", "C:\\work\\junction"}));
  EXPECT_EQ(disk.entries.count("C:\\work\\junction\\letter.doc"), 1u);
  EXPECT_EQ(disk.entries.count("C:\\work"), 1u);
}

TEST(FolderEmptying, AFolderThatIsItselfALinkIsNotTouched) {
  layOut({{"C:\\work", kFolder | kLink}, {"C:\\work\\letter.doc", 0}});
  EXPECT_TRUE(isLinkedPath("C:\\work", kFakeCalls));
  EXPECT_FALSE(emptyFolder("C:\\work", kFakeCalls));
  EXPECT_TRUE(disk.searched.empty());
  EXPECT_TRUE(disk.deleted.empty());
  EXPECT_TRUE(disk.removed.empty());
}
