// The conversions into the ANSI code page through UTF-16.
#include "base/text_conversion.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/host_services.h"
#include "base/string_copy.h"

namespace {

// Windows 95 (9x family, version 4.0) has no UTF-8 conversion; 98, ME and NT do.
bool systemConvertsUtf8() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return false;
  if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return true;
  return version.dwMajorVersion >= 5 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0);
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

}  // namespace

char* convertToAnsi(unsigned int codePage, const char* text, int length, int* ansiLength) {
  int wideLength = 0;
  wchar_t* wide = toWide(codePage, text, length, &wideLength);
  if (!wide) return nullptr;
  char* ansi = toAnsi(wide, wideLength, ansiLength);
  NPN_MemFree(wide);
  return ansi;
}

char* ConvertUtf8ToAnsi(const char* text) {
  if (!text || !systemConvertsUtf8()) return copyString(text);
  int length = 0;
  char* converted = convertToAnsi(CP_UTF8, text, static_cast<int>(std::strlen(text)), &length);
  return converted ? converted : copyString(text);
}
