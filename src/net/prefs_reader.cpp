// The preference-file line reader.
#include "net/prefs_reader.h"

#include <cstring>


namespace {

// Fills the carry with one read when it holds no line end yet. False when nothing more
// could be read.
bool topUpCarry(HANDLE file, char* carry, int carrySize) {
  if (std::strpbrk(carry, "\r\n")) return true;
  const int used = static_cast<int>(std::strlen(carry));
  const int room = carrySize - 1 - used;
  if (room <= 0) return true;
  DWORD got = 0;
  if (!ReadFile(file, carry + used, static_cast<DWORD>(room), &got, nullptr) || got == 0) return false;
  carry[used + got] = '\0';
  return true;
}

// Where the first line of the carry ends: behind the run of CR and LF that starts at its
// first LF, or at its first CR when it has no LF; the whole text when it has neither.
int lineEnd(const char* carry) {
  const char* end = std::strchr(carry, '\n');
  if (!end) end = std::strchr(carry, '\r');
  if (!end) return static_cast<int>(std::strlen(carry));
  while (*end == '\r' || *end == '\n') ++end;
  return static_cast<int>(end - carry);
}

}  // namespace

int readPrefsLine(HANDLE file, char* line, int lineSize, char* carry, int carrySize) {
  std::memset(line, 0, static_cast<size_t>(lineSize));
  const bool more = topUpCarry(file, carry, carrySize);
  int count = more ? lineEnd(carry) : static_cast<int>(std::strlen(carry));
  if (count > lineSize - 1) count = lineSize - 1;
  std::memcpy(line, carry, static_cast<size_t>(count));
  const int rest = static_cast<int>(std::strlen(carry + count));
  std::memmove(carry, carry + count, static_cast<size_t>(rest));
  std::memset(carry + rest, 0, static_cast<size_t>(carrySize - rest));
  return count;
}

HANDLE openPrefsFile(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool readLastAccessTime(const char* path, ULONGLONG* time) {
  // One look at the file's attributes: a browser's profile folder is searched file by
  // file while the page waits, so every call to the system counts.
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  *time = (static_cast<ULONGLONG>(data.ftLastAccessTime.dwHighDateTime) << 32) | data.ftLastAccessTime.dwLowDateTime;
  return true;
}

bool isPlainSubdirectory(const WIN32_FIND_DATAA& entry) {
  return entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY && std::strcmp(entry.cFileName, ".") != 0 &&
         std::strcmp(entry.cFileName, "..") != 0;
}
