// createDirectoryTree and parentDirectory.
#include "base/directory_tree.h"

#include <windows.h>

#include <cstring>

#include "base/host_services.h"
#include "base/make_directories.h"

char* parentDirectory(const char* path) {
  size_t cut = 0;
  for (size_t i = std::strlen(path); i-- > 1;) {
    if (path[i] == '\\') {
      cut = i;
      break;
    }
  }
  char* parent = static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(cut) + 1));
  if (!parent) return nullptr;
  std::memcpy(parent, path, cut);
  parent[cut] = '\0';
  return parent;
}

void createDirectoryTree(const char* path) {
  // The one folder walker needs a separator to find the root; a bare name is one folder.
  if (*path && makeDirectories(path) != kDownloadOk) CreateDirectoryA(path, nullptr);
}
