// downloadPackageList: the package list into memory, converted to ANSI.
#include "download/download_package_list.h"

#include <cstring>

#include "base/host_services.h"
#include "base/text_conversion.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/accept_language.h"
#include "net/url_open.h"
#include "plugin/CMyPlugin.h"

namespace {

constexpr DWORD kReadSize = 16384;

// The body received so far, in an allocator block that grows geometrically: lists of
// any size cost a linear number of copies.
struct ReceivedBody {
  char* bytes = nullptr;
  uint32 length = 0;
  uint32 capacity = 0;

  bool append(const char* data, uint32 count) {
    if (count > capacity - length) {
      uint32 grown = capacity ? capacity : kReadSize;
      while (grown - length < count) {
        if (grown > 0x7FFFFFFFu) return false;
        grown *= 2;
      }
      char* block = static_cast<char*>(NPN_MemAlloc(grown));
      if (!block) return false;
      if (length) std::memcpy(block, bytes, length);
      NPN_MemFree(bytes);
      bytes = block;
      capacity = grown;
    }
    std::memcpy(bytes + length, data, count);
    length += count;
    return true;
  }
};

// Reads the whole body; false (after a log line) when reading failed.
bool readBody(HINTERNET request, ReceivedBody& body) {
  char chunk[kReadSize];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, chunk, sizeof chunk, &got)) {
      auto lock = lockInstallLog();
      logText("InternetReadFile failed.  Error code: ");
      logUnsignedLine(GetLastError());
      return false;
    }
    if (got == 0) return true;
    if (!body.append(chunk, got)) {
      logLine("downloadPackageList: no memory for the package list.");
      return false;
    }
  }
}

// The UTF-8 body as a NUL-terminated ANSI text in a new block; null without room.
char* utf8ToAnsi(const char* bytes, uint32 length) {
  if (length == 0) {
    char* empty = static_cast<char*>(NPN_MemAlloc(1));
    if (empty) *empty = '\0';
    return empty;
  }
  int ansiLength = 0;
  return convertToAnsi(CP_UTF8, bytes, static_cast<int>(length), &ansiLength);
}

}  // namespace

char* downloadPackageList(CMyPlugin& plugin, const char* url) {
  // Owned blocks live outside the guarded body, so that a fault leaves none behind.
  char* header = nullptr;
  ReceivedBody body;
  char* text = nullptr;
  runGuarded(&plugin, "CMyPlugin::downloadPackageList()", [&] {
    header = getAcceptLanguageHeader(NPN_UserAgent(plugin.m_npp));
    DWORD closeError = 0;
    HINTERNET request = OpenURL(&plugin, url, header, &closeError);
    if (!request) {
      auto lock = lockInstallLog();
      logText("downloadPackageList failed to open URL: ");
      logLine(url ? url : "");
      return;
    }
    const bool complete = readBody(request, body);
    if (!InternetCloseHandle(request)) {
      auto lock = lockInstallLog();
      logText("InternetCloseHandle failed in CMyPlugin::downloadPackageList().  rc: ");
      logUnsignedLine(GetLastError());
    }
    if (complete) text = utf8ToAnsi(body.bytes, body.length);
  });
  NPN_MemFree(header);
  NPN_MemFree(body.bytes);
  if (!text) plugin.m_failed = 1;
  return text;
}
