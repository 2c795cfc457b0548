// emptyFolder: a depth-first walk with the system's find functions, through a table so
// that a test can stand in for the file system.
#include "base/folder_emptying.h"

#include <cstring>

#include "base/path_text.h"

namespace {

bool isDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// The search of one folder, closed through the table it was opened with.
class FolderSearch {
 public:
  FolderSearch(const FolderCalls& calls, const char* pattern, WIN32_FIND_DATAA& found)
      : m_calls(calls), m_handle(calls.findFirst(pattern, &found)) {}
  ~FolderSearch() {
    if (m_handle != INVALID_HANDLE_VALUE) m_calls.findClose(m_handle);
  }
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;

  bool opened() const { return m_handle != INVALID_HANDLE_VALUE; }
  bool next(WIN32_FIND_DATAA& found) const { return m_calls.findNext(m_handle, &found) != FALSE; }

 private:
  const FolderCalls& m_calls;
  HANDLE m_handle;
};

// Filled when the DLL loads, before any thread can empty a folder.
const FolderCalls kSystemFolderCalls = {FindFirstFileA,     FindNextFileA, FindClose,       GetFileAttributesA,
                                        SetFileAttributesA, DeleteFileA,   RemoveDirectoryA};

bool removeEntry(const FolderCalls& calls, const char* path, DWORD attributes);

bool emptyBelow(const FolderCalls& calls, const char* folder) {
  char pattern[kPathCapacity];
  if (!joinPath(pattern, sizeof pattern, folder, "*")) return false;
  WIN32_FIND_DATAA found;
  const FolderSearch search(calls, pattern, found);
  if (!search.opened()) {
    // No entries, or no folder yet: nothing is left below it either way.
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  bool all = true;
  do {
    if (isDotEntry(found.cFileName)) continue;
    char path[kPathCapacity];
    if (!joinPath(path, sizeof path, folder, found.cFileName) || !removeEntry(calls, path, found.dwFileAttributes))
      all = false;
  } while (search.next(found));
  return all;
}

bool removeEntry(const FolderCalls& calls, const char* path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) calls.setAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  // A file link goes as a file: deleting it leaves what it points at.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return calls.deleteFile(path) != FALSE;
  // A junction or folder link is removed itself: what it points at is not this folder's.
  const bool emptied = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || emptyBelow(calls, path);
  return calls.removeDirectory(path) != FALSE && emptied;
}

}  // namespace

const FolderCalls& systemFolderCalls() { return kSystemFolderCalls; }

bool isLinkedPath(const char* path, const FolderCalls& calls) {
  const DWORD attributes = calls.attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool emptyFolder(const char* folder, const FolderCalls& calls) {
  return folder && *folder && !isLinkedPath(folder, calls) && emptyBelow(calls, folder);
}
