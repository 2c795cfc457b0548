// makeDirectories: walks a path from its root and creates the folders that are missing.
//
// Both separators count everywhere, also where they are mixed ("dest\bin/tools"): zip
// entry names use "/" and are joined to destinations written with "\".
#include "base/make_directories.h"

#include <direct.h>
#include <io.h>

#include <cstring>

#include "base/path_text.h"

namespace {

constexpr size_t kNoRoot = static_cast<size_t>(-1);

size_t findSeparator(const char* path, size_t from, size_t length) {
  while (from < length && !isPathSeparator(path[from])) ++from;
  return from;
}

// The part that is taken as given and never created: for a network path
// "\\server\share" up to the separator after the share name (all of it when none
// follows); otherwise the text before the first separator, such as a drive "C:".
// kNoRoot when the path holds no separator at all.
size_t rootPrefixLength(const char* path, size_t length) {
  if (length > 2 && path[0] == '\\' && path[1] == '\\') {
    const size_t afterServer = findSeparator(path, 2, length);
    return afterServer == length ? length : findSeparator(path, afterServer + 1, length);
  }
  const size_t first = findSeparator(path, 0, length);
  return first == length ? kNoRoot : first;
}

bool exists(const char* path) { return _access(path, 0) == 0; }

}  // namespace

DownloadResult makeDirectories(const char* path) {
  if (exists(path)) return kDownloadOk;
  const size_t length = std::strlen(path);
  if (length >= kPathCapacity) return kDownloadNoDirectory;
  const size_t root = rootPrefixLength(path, length);
  if (root == kNoRoot) return kDownloadNoDirectory;

  char prefix[kPathCapacity];
  std::memcpy(prefix, path, length + 1);
  // Each step cuts the copy at the end of the next component, makes that folder when it
  // is missing, and puts the separator back as "\".
  for (size_t end = root + 1; end <= length; ++end) {
    if (end < length && !isPathSeparator(path[end])) continue;
    prefix[end] = '\0';
    if (!exists(prefix)) _mkdir(prefix);
    if (end < length) prefix[end] = '\\';
  }
  return kDownloadOk;
}
