// loadPropertyFile: the whole file into one block, through UTF-16 into the ANSI code
// page, then the configuration-file reader.
#include "download/property_file.h"

#include <windows.h>

#include <cstdio>

#include "download/property_text.h"
#include "log/install_log.h"
#include "base/host_services.h"

namespace {

// Every length below stays within the int that the conversion functions take, and the
// size + 1 of the block cannot wrap.
constexpr DWORD kLargestFile = 0x7FFFFFFE;

// A block with the file's size bytes and a NUL after them, or null when the file could
// not be opened or gave fewer bytes.
char* readWholeFile(const char* path, DWORD size) {
  char* block = static_cast<char*>(NPN_MemAlloc(size + 1));
  if (!block) return nullptr;
  FILE* file = std::fopen(path, "rb");
  const size_t got = file ? std::fread(block, 1, size, file) : 0;
  if (file) std::fclose(file);
  if (got != size) {
    NPN_MemFree(block);
    return nullptr;
  }
  block[size] = '\0';
  return block;
}

// The text as UTF-16 in a new block, NUL-terminated; its length in *wideLength.
wchar_t* toWide(UINT codePage, const char* text, int length, int* wideLength) {
  const int count = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (count <= 0 || count >= INT32_MAX / 2) return nullptr;
  auto* wide = static_cast<wchar_t*>(NPN_MemAlloc(static_cast<uint32>(count + 1) * sizeof(wchar_t)));
  if (!wide) return nullptr;
  if (MultiByteToWideChar(codePage, 0, text, length, wide, count + 1) != count) {
    NPN_MemFree(wide);
    return nullptr;
  }
  wide[count] = L'\0';
  *wideLength = count;
  return wide;
}

// UTF-16 into the system ANSI code page in a new block, NUL-terminated.
char* toAnsi(const wchar_t* wide, int wideLength, int* ansiLength) {
  const int count = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
  if (count <= 0 || count >= INT32_MAX) return nullptr;
  char* ansi = static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(count) + 1));
  if (!ansi) return nullptr;
  if (WideCharToMultiByte(CP_ACP, 0, wide, wideLength, ansi, count + 1, nullptr, nullptr) != count) {
    NPN_MemFree(ansi);
    return nullptr;
  }
  ansi[count] = '\0';
  *ansiLength = count;
  return ansi;
}

char* convertToAnsi(UINT codePage, const char* bytes, int length, int* ansiLength) {
  int wideLength = 0;
  wchar_t* wide = toWide(codePage, bytes, length, &wideLength);
  if (!wide) return nullptr;
  char* ansi = toAnsi(wide, wideLength, ansiLength);
  NPN_MemFree(wide);
  return ansi;
}

}  // namespace

void loadPropertyFile(CPropertyMap& map, unsigned int codePage, const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return;
  const DWORD size = attributes.nFileSizeLow;
  if (size == 0 || size > kLargestFile || attributes.nFileSizeHigh != 0) return;
  char* bytes = readWholeFile(path, size);
  if (!bytes) return;
  int ansiLength = 0;
  char* ansi = convertToAnsi(codePage, bytes, static_cast<int>(size), &ansiLength);
  NPN_MemFree(bytes);
  if (!ansi) return;
  const int32_t dropped = parseConfigurationText(map, ansi, static_cast<size_t>(ansiLength));
  NPN_MemFree(ansi);
  if (dropped == 0) return;
  auto lock = lockInstallLog();
  logText("Configuration file pairs dropped, too long or no memory: ");
  logSignedLine(dropped);
}
