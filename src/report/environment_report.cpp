// The machine report: each line read from the system as the upload is built.
#include "report/environment_report.h"

#include <windows.h>

#include <cstring>

#include "base/client_install_dir.h"
#include "base/host_services.h"
#include "base/path_text.h"
#include "base/scoped_block.h"
#include "log/CTextBuffer.h"
#include "log/title_line.h"
#include "net/accept_language.h"
#include "report/file_version_info.h"

namespace {

constexpr char kLogTitle[] = "Log of NPOstrelUpdater.dll Messages";
constexpr size_t kLocaleValueSize = 256;
constexpr LCTYPE kUseAnsiCodePage = 0x40000000;  // LOCALE_USE_CP_ACP

struct LocaleLine {
  const char* label;
  LCTYPE type;
};

const LocaleLine kLocaleLines[] = {
    {"LOCALE_IDEFAULTANSICODEPAGE: ", 0x1004}, {"LOCALE_IDEFAULTCODEPAGE: ", 0x000B},
    {"LOCALE_IDEFAULTCOUNTRY: ", 0x000A},      {"LOCALE_IDEFAULTLANGUAGE: ", 0x0009},
    {"LOCALE_ILANGUAGE: ", 0x0001},            {"LOCALE_SABBREVCTRYNAME: ", 0x0007},
    {"LOCALE_SABBREVLANGNAME: ", 0x0003},      {"LOCALE_SENGCOUNTRY: ", 0x1002},
    {"LOCALE_SENGLANGUAGE: ", 0x1001},         {"LOCALE_SISO3166CTRYNAME: ", 0x005A},
    {"LOCALE_SISO639LANGNAME : ", 0x0059},
};

const char* platformName(const OSVERSIONINFOA& version) {
  const DWORD major = version.dwMajorVersion;
  const DWORD minor = version.dwMinorVersion;
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      return "Win32s on Windows 3.1";
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major >= 5) return "Windows ME";
      return major == 4 && minor > 0 ? "Windows 98" : "Windows 95";
    case VER_PLATFORM_WIN32_NT:
      if (major < 5) return "Windows NT";
      return minor == 0 ? "Windows 2000" : "Windows XP";
    default:
      return "Unknown Win32";
  }
}

void appendOperatingSystem(CTextBuffer& buffer) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return;
  buffer.append("Operating System Information\r\n");
  buffer.append("  Platform: ").append(platformName(version)).append("\r\n");
  buffer.append("  Version: ").appendUnsigned(version.dwMajorVersion).appendChar('.');
  buffer.appendUnsigned(version.dwMinorVersion).appendChar('.').appendUnsigned(version.dwBuildNumber);
  buffer.append("  ").appendCounted(version.szCSDVersion, strnlen(version.szCSDVersion, sizeof version.szCSDVersion));
  buffer.append("\r\n");
}

// A directory line: label and the path the call wrote, empty when it failed or the path
// did not fit.
void appendDirectoryLine(CTextBuffer& buffer, const char* label, UINT written, const char* path) {
  buffer.append(label);
  if (written > 0 && written < kPathCapacity) buffer.append(path);
  buffer.append("\r\n");
}

void appendDirectories(CTextBuffer& buffer) {
  char path[kPathCapacity];
  buffer.append("Client installation directory: ");
  buffer.append(GetClientInstallDir(path, sizeof path) ? path : "An installation could not be found.");
  buffer.append("\r\n");
  path[0] = '\0';
  appendDirectoryLine(buffer, "Temporary directory: ", GetTempPathA(sizeof path, path), path);
  path[0] = '\0';
  appendDirectoryLine(buffer, "Windows directory: ", GetWindowsDirectoryA(path, sizeof path), path);
  path[0] = '\0';
  appendDirectoryLine(buffer, "Windows system directory: ", GetSystemDirectoryA(path, sizeof path), path);
}

void appendOwnModule(CTextBuffer& buffer) {
  char path[kPathCapacity] = {};
  HMODULE module = GetModuleHandleA(kModuleName);
  const DWORD written = module ? GetModuleFileNameA(module, path, sizeof path) : 0;
  // A path cut at the buffer's end would name another file.
  if (written == 0 || written >= sizeof path) {
    buffer.append("Downloader location cannot be determined.\r\n");
    return;
  }
  buffer.append("Downloader location: ").append(path).append("\r\n");
  appendFileVersionInfo(buffer, path, kModuleName);
}

void appendLocale(CTextBuffer& buffer) {
  buffer.append("Locale Information\r\n");
  buffer.append("  Language ID: ").appendUnsigned(GetSystemDefaultLangID()).append("\r\n");
  buffer.append("  Locale Identifier: ").appendUnsigned(GetSystemDefaultLCID()).append("\r\n");
  for (const LocaleLine& line : kLocaleLines) {
    char value[kLocaleValueSize] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, line.type | kUseAnsiCodePage, value, sizeof value);
    value[sizeof value - 1] = '\0';
    buffer.append("  ").append(line.label).append(value).append("\r\n");
  }
}

void appendBrowser(CTextBuffer& buffer, const char* userAgent) {
  buffer.append("  User Agent: >").append(userAgent ? userAgent : "").append("<\r\n");
  const ScopedBlock<char> header(getAcceptLanguageHeader(userAgent));
  buffer.append("  Accept language header: >").append(header ? header.get() : "").append("<\r\n");
}

}  // namespace

void appendEnvironmentReport(CTextBuffer& buffer, const char* userAgent) {
  buffer.append("\r\n");
  appendTitleLine(kModuleName, "-", 80, buffer);
  appendOperatingSystem(buffer);
  appendDirectories(buffer);
  appendOwnModule(buffer);
  appendLocale(buffer);
  appendBrowser(buffer, userAgent);
  appendTitleLine(kLogTitle, "-", 80, buffer);
}
