// The bare WinInet loop that DownloadFile is measured against: 16 KiB reads written
// straight to a file.   transport_wininet_loop_bench URL FILE
#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include "bench_report.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: transport_wininet_loop_bench URL FILE\n");
    return 2;
  }
  const DWORD start = GetTickCount();
  HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = InternetOpenUrlA(session, argv[1], nullptr, 0, INTERNET_FLAG_KEEP_CONNECTION, 0);
  HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (!request || file == INVALID_HANDLE_VALUE) return 1;
  static char buffer[16384];
  unsigned long long total = 0;
  DWORD got = 0;
  while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    DWORD written = 0;
    WriteFile(file, buffer, got, &written, nullptr);
    total += got;
  }
  CloseHandle(file);
  InternetCloseHandle(request);
  InternetCloseHandle(session);
  reportRun("wininet_loop", start, total);
  return 0;
}
