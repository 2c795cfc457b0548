// GetClientInstallDir: the client's registry key under the current user, then under the
// machine, then (without release keys) the fixed installation places and the client tree
// in the temporary directory.
#include "base/client_install_dir.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/path_text.h"
#include "base/release_keys.h"
#include "base/scoped_handle.h"
#include "base/temp_directory.h"

namespace {

constexpr char kClientKey[] = "SOFTWARE\\Ostrel Software, Inc.\\Ostrel Client";
constexpr char kInstallDirValue[] = "InstallDir";
constexpr char kTempClientTree[] = "Ostrel\\client";

// Each place is the directory whose updater is tested; the directory given is the one
// that holds the updater, so callers find it where they look.
const char* const kFixedPlaces[] = {
    "C:\\Program Files\\Ostrel\\client",
    "C:\\OstrelOne",
    "D:\\Program Files\\Ostrel\\client",
    "D:\\Ostrel\\client",
};

bool readInstallDir(HKEY root, char* buffer, size_t size) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, kClientKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  const ScopedRegistryKey key(opened);
  // The whole buffer is offered: a path that fills it with its NUL is read. A value stored
  // without its NUL gets one, when there is room for it; one that fills the buffer without
  // a NUL is longer than any path and counts as none.
  DWORD bytes = static_cast<DWORD>(size);
  const LONG result =
      RegQueryValueExA(key.get(), kInstallDirValue, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (result != ERROR_SUCCESS || bytes > size) return false;
  if (bytes > 0 && buffer[bytes - 1] == '\0') return true;
  if (bytes == size) return false;
  buffer[bytes] = '\0';
  return true;
}

bool updaterExistsIn(const char* directory) {
  char updater[kPathCapacity];
  if (!copyWhole(updater, sizeof updater, directory) ||
      !appendWhole(updater, sizeof updater, kUpdaterRelativePath))
    return false;
  return GetFileAttributesA(updater) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

char* GetClientInstallDir(char* buffer, size_t size) {
  if (!buffer || size == 0) return nullptr;
  buffer[0] = '\0';
  if (size > 1 && (readInstallDir(HKEY_CURRENT_USER, buffer, size) ||
                   readInstallDir(HKEY_LOCAL_MACHINE, buffer, size)))
    return buffer;
  buffer[0] = '\0';
  // With release keys, an installation is only what the registry names.
  if (kReleaseKeyCount > 0) return nullptr;
  for (const char* place : kFixedPlaces)
    if (updaterExistsIn(place) && copyWhole(buffer, size, place)) return buffer;
  char tempTree[kPathCapacity];
  if (GetTempSubdirectory(kTempClientTree, tempTree, false) > 0 && updaterExistsIn(tempTree) &&
      copyWhole(buffer, size, tempTree))
    return buffer;
  buffer[0] = '\0';
  return nullptr;
}
