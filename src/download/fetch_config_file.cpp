// fetchConfigFile: the client configuration file, downloaded once per
// instance into the temporary directory under a dated name of its own.
#include "download/config_files.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/directory_tree.h"
#include "log/CTextBuffer.h"
#include "log/install_log.h"
#include "net/file_download.h"
#include "net/transfer.h"

namespace {

// How many configuration file names this process has made.
volatile LONG gConfigFilesNamed = 0;

void dropOneTrailingBackslash(char* path) {
  const size_t length = std::strlen(path);
  if (length && path[length - 1] == '\\') path[length - 1] = '\0';
}

// The directory of the configuration files without a trailing backslash, short form:
// the temporary directory, or baseDirectory\temp when there is none. The fallback may
// not exist yet: it is created, and its long form is kept when no short form can be had.
bool configurationDirectory(const char* baseDirectory, char* out) {
  char directory[MAX_PATH] = "";
  const DWORD n = GetTempPathA(MAX_PATH, directory);
  if (n == 0 || n > MAX_PATH) {
    if (!copyWhole(directory, MAX_PATH, baseDirectory ? baseDirectory : "")) return false;
    dropOneTrailingBackslash(directory);
    if (!appendWhole(directory, MAX_PATH, "\\temp")) return false;
    createDirectoryTree(directory);
  } else {
    dropOneTrailingBackslash(directory);
  }
  char shortForm[MAX_PATH] = "";
  const DWORD shortLength = GetShortPathNameA(directory, shortForm, MAX_PATH);
  if (shortLength == 0 || shortLength >= MAX_PATH) return copyWhole(out, MAX_PATH, directory);
  return copyWhole(out, MAX_PATH, shortForm);
}

}  // namespace

StepOutcome fetchConfigFile(const Transfer& transfer, ConfigurationFile& file, const char* url,
                            const char* baseDirectory, char* buffer, int size) {
  if (file.path[0]) {
    copyWhole(buffer, static_cast<size_t>(size), file.path);
    return StepOutcome();
  }
  char directory[MAX_PATH];
  if (!configurationDirectory(baseDirectory, directory)) {
    logLine("fetchConfigFile: no directory for the configuration file.");
    buffer[0] = '\0';
    return outcomeOf(kDownloadNoDirectory);
  }
  CTextBuffer pattern;
  pattern.append(directory).append("\\launch*.oscf");
  cleanOlderConfigFiles(transfer.instance, pattern.text(), directory);

  SYSTEMTIME now;
  GetLocalTime(&now);
  CTextBuffer name;
  name.append("launch");
  appendDateField(transfer.instance, name, now.wYear, 4);
  appendDateField(transfer.instance, name, now.wMonth, 2);
  appendDateField(transfer.instance, name, now.wDay, 2);
  appendDateField(transfer.instance, name, now.wHour, 2);
  appendDateField(transfer.instance, name, now.wMinute, 2);
  appendDateField(transfer.instance, name, now.wSecond, 2);
  appendDateField(transfer.instance, name, now.wMilliseconds, 3);
  // Two instances, in one browser or in two, may start in the same millisecond: the
  // process and the instance's number in it make the name theirs alone.
  name.appendChar('_').appendUnsigned(GetCurrentProcessId());
  name.appendChar('_').appendUnsigned(static_cast<uint32_t>(InterlockedIncrement(&gConfigFilesNamed)));
  name.append(".oscf");

  const StepOutcome result = DownloadFile(transfer, url, directory, kUnknownSize, name.text(), nullptr,
                                         kMostConfigurationBytes);

  CTextBuffer path;
  path.append(directory).appendChar('\\').appendBuffer(name);
  std::memset(buffer, 0, static_cast<size_t>(size));
  if (!copyWhole(buffer, static_cast<size_t>(size), path.text()) ||
      !copyWhole(file.path, sizeof file.path, path.text())) {
    // A file nobody can name is no configuration file: the run stops as without one.
    logLine("fetchConfigFile: the configuration file's path is too long.");
    buffer[0] = '\0';
    file.path[0] = '\0';
    return result.ok() ? outcomeOf(kDownloadNoDirectory) : result;
  }
  return result;
}
