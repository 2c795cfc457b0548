// downloadPackageList: the package list into memory, and its conversion to ANSI.
#include "download/download_package_list.h"

#include <windows.h>

#include "base/host_services.h"
#include "base/text_conversion.h"
#include "log/install_log.h"
#include "net/memory_download.h"

namespace {

// A package list of a few hundred thousand lines takes some tens of MiB; a body beyond
// this is no package list, and reading on would only take the browser's memory.
constexpr size_t kMostListBytes = 64 * 1024 * 1024;
constexpr char kNoMemoryLine[] = "downloadPackageList: no memory for the package list.";
// The conversion goes through UTF-16, which takes twice the list's bytes: failing there,
// the list was had but cannot be read, and the update goes on as without one.
constexpr char kNotConvertedLine[] =
    "downloadPackageList: the package list could not be converted from UTF-8 to the system's code page "
    "(no memory for the conversion); the update goes on as without a package list.";

}  // namespace

StepOutcome downloadPackageList(const Transfer& transfer, const char* url, std::string& bytes) {
  const MemoryDownload fetched =
      downloadIntoMemory(transfer, url, kMostListBytes, "CMyPlugin::downloadPackageList()", bytes);
  switch (fetched.end) {
    case MemoryDownloadEnd::kNotOpened: {
      auto lock = lockInstallLog();
      logText("downloadPackageList failed to open URL: ");
      logLine(url ? url : "");
      break;
    }
    case MemoryDownloadEnd::kTooLarge:
      logLine("downloadPackageList: the package list is larger than 64 MiB.");
      break;
    case MemoryDownloadEnd::kNoMemory:
      logLine(kNoMemoryLine);
      break;
    default:
      break;
  }
  return fetched;
}

char* packageListText(const std::string& bytes) {
  if (bytes.empty()) {
    char* text = static_cast<char*>(NPN_MemAlloc(1));
    if (text) *text = '\0';
    if (!text) logLine(kNoMemoryLine);
    return text;
  }
  int ansiLength = 0;
  char* text = convertToAnsi(CP_UTF8, bytes.data(), static_cast<int>(bytes.size()), &ansiLength);
  if (!text) logLine(kNotConvertedLine);
  return text;
}
