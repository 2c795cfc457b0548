// emptyFolder: a depth-first walk with the system's find functions.
#include "base/folder_emptying.h"

#include <windows.h>

#include <cstring>

#include "base/path_text.h"
#include "base/scoped_handle.h"

namespace {

bool isDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

bool removeEntry(const char* path, DWORD attributes);

bool emptyBelow(const char* folder) {
  char pattern[kPathCapacity];
  if (!joinPath(pattern, sizeof pattern, folder, "*")) return false;
  WIN32_FIND_DATAA found;
  const ScopedFindHandle search(FindFirstFileA(pattern, &found));
  if (!search) {
    // No entries, or no folder yet: nothing is left below it either way.
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  bool all = true;
  do {
    if (isDotEntry(found.cFileName)) continue;
    char path[kPathCapacity];
    if (!joinPath(path, sizeof path, folder, found.cFileName) || !removeEntry(path, found.dwFileAttributes))
      all = false;
  } while (FindNextFileA(search.get(), &found));
  return all;
}

bool removeEntry(const char* path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path) != FALSE;
  // A junction or folder link is removed itself: what it points at is not this folder's.
  const bool emptied = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || emptyBelow(path);
  return RemoveDirectoryA(path) != FALSE && emptied;
}

}  // namespace

bool emptyFolder(const char* folder) { return folder && *folder && emptyBelow(folder); }
