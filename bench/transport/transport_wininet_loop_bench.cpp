// The bare WinInet loop that DownloadFile is measured against: reads of READ_BYTES written
// straight to a file. FLAGS "default" opens the URL as a plain program would (WinInet
// may keep a copy in its cache); "reload" adds the plug-in's flags, which send every
// request to the server and keep no copy.
//   transport_wininet_loop_bench URL FILE READ_BYTES default|reload
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_report.h"

namespace {

constexpr DWORD kMostReadSize = 256u << 10;
char g_buffer[kMostReadSize];

}  // namespace

int main(int argc, char** argv) {
  const DWORD readSize = argc == 5 ? std::strtoul(argv[3], nullptr, 10) : 0;
  const bool reload = argc == 5 && std::strcmp(argv[4], "reload") == 0;
  if (readSize == 0 || readSize > kMostReadSize || (!reload && std::strcmp(argv[4], "default") != 0)) {
    std::fprintf(stderr, "usage: transport_wininet_loop_bench URL FILE READ_BYTES default|reload\n");
    return 2;
  }
  DWORD flags = INTERNET_FLAG_KEEP_CONNECTION;
  if (reload) flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  const RunStart start = startRun();
  HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = InternetOpenUrlA(session, argv[1], nullptr, 0, flags, 0);
  HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (!request || file == INVALID_HANDLE_VALUE) return 1;
  unsigned long long total = 0;
  DWORD got = 0;
  while (InternetReadFile(request, g_buffer, readSize, &got) && got > 0) {
    DWORD written = 0;
    WriteFile(file, g_buffer, got, &written, nullptr);
    total += got;
  }
  CloseHandle(file);
  InternetCloseHandle(request);
  InternetCloseHandle(session);
  reportRun("wininet_loop", start, total);
  return 0;
}
