// createDirectoryTree and parentDirectory.
#include "base/directory_tree.h"

#include <windows.h>

#include <cstring>

#include "base/host_services.h"

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
  if (!*path) return;
  if (!CreateDirectoryA(path, nullptr) && GetLastError() == ERROR_PATH_NOT_FOUND) {
    char* parent = parentDirectory(path);
    // Climbing stops at the root or an empty parent: each step is strictly shorter, so
    // the recursion always ends.
    if (parent && *parent && std::strlen(parent) < std::strlen(path)) createDirectoryTree(parent);
    NPN_MemFree(parent);
  }
  CreateDirectoryA(path, nullptr);
}
