// The conversions between code pages through UTF-16.
#include "base/text_conversion.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/string_copy.h"

// Windows 95 (9x family, version 4.0) has no UTF-8 conversion; 98, ME and NT do.
bool systemConvertsUtf8() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return false;
  if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return true;
  return version.dwMajorVersion >= 5 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0);
}

namespace {

// The text as UTF-16 in a new block, NUL-terminated; its length in *wideLength.
wchar_t* toWide(UINT codePage, const char* text, int length, int* wideLength) {
  const int count = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (count <= 0 || count >= INT32_MAX / 2) return nullptr;
  ScopedBlock<wchar_t> wide(static_cast<wchar_t*>(NPN_MemAlloc(static_cast<uint32>(count + 1) * sizeof(wchar_t))));
  if (!wide || MultiByteToWideChar(codePage, 0, text, length, wide.get(), count + 1) != count) return nullptr;
  wide.get()[count] = L'\0';
  *wideLength = count;
  return wide.release();
}

// UTF-16 into a code page in a new block, NUL-terminated; its length in *outLength.
char* fromWide(UINT codePage, const wchar_t* wide, int wideLength, int* outLength) {
  const int count = WideCharToMultiByte(codePage, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
  if (count <= 0 || count >= INT32_MAX) return nullptr;
  ScopedBlock<char> out(static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(count) + 1)));
  if (!out || WideCharToMultiByte(codePage, 0, wide, wideLength, out.get(), count + 1, nullptr, nullptr) != count)
    return nullptr;
  out.get()[count] = '\0';
  *outLength = count;
  return out.release();
}

char* convert(UINT fromCodePage, UINT toCodePage, const char* text, int length, int* outLength) {
  int wideLength = 0;
  const ScopedBlock<wchar_t> wide(toWide(fromCodePage, text, length, &wideLength));
  if (!wide) return nullptr;
  return fromWide(toCodePage, wide.get(), wideLength, outLength);
}

}  // namespace

char* convertToAnsi(unsigned int codePage, const char* text, int length, int* ansiLength) {
  return convert(codePage, CP_ACP, text, length, ansiLength);
}

char* convertAnsiToUtf8(const char* text, int length, int* utf8Length) {
  return convert(CP_ACP, CP_UTF8, text, length, utf8Length);
}

char* ConvertUtf8ToAnsi(const char* text) {
  if (!text || !systemConvertsUtf8()) return copyString(text);
  int length = 0;
  char* converted = convertToAnsi(CP_UTF8, text, static_cast<int>(std::strlen(text)), &length);
  return converted ? converted : copyString(text);
}
