// ConvertUtf8ToAnsi: UTF-8 -> UTF-16 -> ANSI, keeping the original bytes on any failure.
#include "base/ansi_conversion.h"

#include <windows.h>

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

// The ANSI form of a wide text, or null when the conversion fails.
char* wideToAnsi(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size == 0) return copyString("");
  char* ansi = static_cast<char*>(NPN_MemAlloc(static_cast<uint32>(size) + 1));
  if (!ansi) return nullptr;
  if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, size + 1, nullptr, nullptr)) {
    NPN_MemFree(ansi);
    return nullptr;
  }
  return ansi;
}

}  // namespace

char* ConvertUtf8ToAnsi(const char* text) {
  if (!text || !systemConvertsUtf8()) return copyString(text);
  const int count = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (count == 0) return copyString(text);
  auto* wide = static_cast<wchar_t*>(NPN_MemAlloc((static_cast<uint32>(count) + 1) * sizeof(wchar_t)));
  if (!wide) return copyString(text);
  char* converted = nullptr;
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, count + 1)) converted = wideToAnsi(wide);
  NPN_MemFree(wide);
  return converted ? converted : copyString(text);
}
