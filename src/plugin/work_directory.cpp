// claimWorkDirectory and releaseWorkDirectory.
#include "plugin/work_directory.h"

#include <cstdio>

#include "base/folder_emptying.h"
#include "base/path_text.h"
#include "base/scoped_handle.h"
#include "base/string_copy.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "plugin/CMyPlugin.h"

namespace {

constexpr char kWorkDirectoryName[] = "Ostrel_client_install";

void nameFor(int number, char* name, size_t size) {
  if (number == 1)
    std::snprintf(name, size, "%s", kWorkDirectoryName);
  else
    std::snprintf(name, size, "%s_%d", kWorkDirectoryName, number);
}

// A mutex of this name exists while some instance, in this process or another, works in
// the folder of that number.
HANDLE claimNumber(int number) {
  char mutexName[64];
  std::snprintf(mutexName, sizeof mutexName, "OstrelUpdaterWorkDirectory%d", number);
  ScopedKernelHandle mutex(CreateMutexA(nullptr, FALSE, mutexName));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return nullptr;
  return mutex.release();
}

}  // namespace

void claimWorkDirectory(char* output, HANDLE* claim) {
  *claim = nullptr;
  output[0] = '\0';
  for (int number = 1; number <= kMostWorkDirectories; ++number) {
    *claim = claimNumber(number);
    if (!*claim) continue;
    char name[64];
    nameFor(number, name, sizeof name);
    GetTempSubdirectory(name, output, true);
    // A folder that is a link holds another folder's files: emptying it, and unpacking
    // into it, would reach them.
    if (output[0] && isLinkedPath(output)) {
      const auto held = lockInstallLog();
      logText("The work directory is a link to another folder and is not used: ");
      logLine(output);
      output[0] = '\0';
    }
    return;
  }
  char line[128];
  std::snprintf(line, sizeof line, "Every work directory is taken: %d instances are running; this one downloads nothing.",
                kMostWorkDirectories);
  logLine(line);
}

void claimInstanceWorkDirectory(CMyPlugin& plugin) {
  if (plugin.m_workDirectory) return;
  char workDirectory[kPathCapacity];
  claimWorkDirectory(workDirectory, &plugin.m_workDirectoryClaim);
  plugin.m_workDirectory = copyString(workDirectory);
}

void releaseWorkDirectory(HANDLE* claim) {
  if (*claim) CloseHandle(*claim);
  *claim = nullptr;
}
