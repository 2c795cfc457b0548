// claimWorkDirectory and releaseWorkDirectory.
#include "plugin/work_directory.h"

#include <cstdio>

#include "base/scoped_handle.h"
#include "base/temp_directory.h"

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
  int number = 1;
  for (int candidate = 1; candidate <= kMostWorkDirectories; ++candidate) {
    *claim = claimNumber(candidate);
    if (*claim) {
      number = candidate;
      break;
    }
  }
  char name[64];
  nameFor(number, name, sizeof name);
  GetTempSubdirectory(name, output, true);
}

void releaseWorkDirectory(HANDLE* claim) {
  if (*claim) CloseHandle(*claim);
  *claim = nullptr;
}
