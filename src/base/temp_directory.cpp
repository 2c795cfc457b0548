// GetTempSubdirectory: TMP, then TEMP, then the current directory; references to other
// variables expanded until the text stops changing.
#include "base/temp_directory.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/directory_tree.h"
#include "base/path_text.h"

namespace {

constexpr DWORD kVariableBufferSize = 520;
// A variable that refers to itself (or two that refer to each other) never settles;
// after this many rounds the text is given up as unusable.
constexpr int kMaxExpansionRounds = 32;

// Reads an environment variable that names something existing. The test is made on the
// raw value, before any expansion.
bool readExistingVariable(const char* name, char* buffer) {
  const DWORD n = GetEnvironmentVariableA(name, buffer, kVariableBufferSize);
  if (n == 0 || n >= kVariableBufferSize) return false;
  return GetFileAttributesA(buffer) != INVALID_FILE_ATTRIBUTES;
}

bool readTempBase(char* buffer) {
  if (readExistingVariable("TMP", buffer) || readExistingVariable("TEMP", buffer)) return true;
  const DWORD n = GetCurrentDirectoryA(kVariableBufferSize, buffer);
  return n != 0 && n < kVariableBufferSize;
}

bool expandUntilStable(char* text) {
  char expanded[kVariableBufferSize];
  for (int round = 0; round < kMaxExpansionRounds; ++round) {
    const DWORD n = ExpandEnvironmentStringsA(text, expanded, kVariableBufferSize);
    if (n == 0 || n > kVariableBufferSize) return false;
    if (std::strcmp(expanded, text) == 0) return true;
    std::strcpy(text, expanded);
  }
  return false;
}


bool isWritableDirectory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == FILE_ATTRIBUTE_DIRECTORY;
}

}  // namespace

int GetTempSubdirectory(const char* name, char* output, bool create) {
  output[0] = '\0';
  char path[kVariableBufferSize] = "";
  if (!readTempBase(path) || !expandUntilStable(path) || !appendSeparator(path, kVariableBufferSize) ||
      !appendWhole(path, kVariableBufferSize, name)) return 0;
  if (create) createDirectoryTree(path);
  if (!isWritableDirectory(path)) return 0;

  char shortPath[kPathCapacity];
  const DWORD n = GetShortPathNameA(path, shortPath, kPathCapacity);
  if (n != 0 && n < kPathCapacity && n == std::strlen(shortPath)) std::strcpy(output, shortPath);
  return static_cast<int>(std::strlen(output));
}
