// The Windows side of the archive benchmark: unpacks one archive in one of four ways and
// prints the seconds the unpacking took, measured inside the process.
//   archive_bench product-zip|bare-zip|product-cab|bare-cab DESTINATION ARCHIVE
// The bare ways are the least a program must do to get the same files out: the zip
// reader with its own Win32 file layer in a plain read-and-write loop, and the cabinet
// library, with the product's memory and file callbacks, and a notification handler that
// only opens and closes the targets.
#include <windows.h>

#include <fcntl.h>
#include <fdi.h>
#include <io.h>
#include <sys/stat.h>
#include <unzip.h>
#include <iowin32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/cabinet_callbacks.h"
#include "archive/cabinet_extraction.h"
#include "archive/unpacking.h"
#include "archive/zip_extraction.h"
#include "base/host_services.h"

namespace {

char g_buffer[0x4000];

int bareZip(const char* destination, const char* archivePath) {
  zlib_filefunc_def functions;
  fill_win32_filefunc(&functions);
  unzFile archive = unzOpen2(archivePath, &functions);
  if (!archive) return 1;
  CreateDirectoryA(destination, nullptr);
  for (int more = unzGoToFirstFile(archive); more == UNZ_OK; more = unzGoToNextFile(archive)) {
    char name[520];
    unz_file_info info;
    unzGetCurrentFileInfo(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    const std::string target = std::string(destination) + "\\" + name;
    if (target.back() == '/') {
      CreateDirectoryA(target.c_str(), nullptr);
      continue;
    }
    unzOpenCurrentFile(archive);
    FILE* out = std::fopen(target.c_str(), "wb");
    for (int n; (n = unzReadCurrentFile(archive, g_buffer, sizeof g_buffer)) > 0;) std::fwrite(g_buffer, 1, n, out);
    std::fclose(out);
    unzCloseCurrentFile(archive);
  }
  unzClose(archive);
  return 0;
}

// Folders are made only when a target does not open.
int openCreatingFolders(const std::string& target) {
  const int flags = _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY;
  const int descriptor = _open(target.c_str(), flags, _S_IREAD | _S_IWRITE);
  if (descriptor != -1) return descriptor;
  for (size_t at = target.find('\\', 3); at != std::string::npos; at = target.find('\\', at + 1)) {
    CreateDirectoryA(target.substr(0, at).c_str(), nullptr);
  }
  return _open(target.c_str(), flags, _S_IREAD | _S_IWRITE);
}

// The library's handles are the product's: a handle made for the target's descriptor.
FNFDINOTIFY(bareNotify) {
  if (fdint == fdintCOPY_FILE) {
    return newCabinetHandle(openCreatingFolders(std::string(static_cast<const char*>(pfdin->pv)) + "\\" + pfdin->psz1));
  }
  if (fdint == fdintCLOSE_FILE_INFO) {
    cabinetClose(pfdin->hf);
    return TRUE;
  }
  return 0;
}

int bareCabinet(const char* destination, const char* archivePath) {
  ERF error = {};
  // The product's own callbacks, so that the two ways differ only in what the product adds.
  HFDI library = FDICreate(cabinetAlloc, cabinetFree, cabinetOpen, cabinetRead, cabinetWrite,
                           cabinetClose, cabinetSeek, cpuUNKNOWN, &error);
  const std::string path = archivePath;
  const size_t cut = path.rfind('\\') + 1;
  const BOOL copied = FDICopy(library, const_cast<char*>(path.substr(cut).c_str()),
                              const_cast<char*>(path.substr(0, cut).c_str()), 0, bareNotify, nullptr,
                              const_cast<char*>(destination));
  FDIDestroy(library);
  return copied ? 0 : 1;
}

// The product's folder creation takes its memory from the browser.
void* benchMemAlloc(uint32 size) { return std::malloc(size); }
void benchMemFree(void* block) { std::free(block); }

int run(const std::string& mode, const char* destination, const char* archivePath) {
  // The product's extractors give a DownloadResult: only kDownloadOk is success. They
  // unpack for a run that is never cancelled, within the product's bounds.
  Unpacking context;
  if (mode == "product-zip") return extractZip(context, destination, archivePath) == kDownloadOk ? 0 : 1;
  if (mode == "bare-zip") return bareZip(destination, archivePath);
  if (mode == "product-cab") return extractCabinet(context, destination, archivePath) == kDownloadOk ? 0 : 1;
  if (mode == "bare-cab") return bareCabinet(destination, archivePath);
  return -2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: archive_bench product-zip|bare-zip|product-cab|bare-cab DESTINATION ARCHIVE\n");
    return 2;
  }
  static NPNetscapeFuncs browser = {};
  browser.size = sizeof browser;
  browser.memalloc = benchMemAlloc;
  browser.memfree = benchMemFree;
  setBrowserFuncs(&browser);

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const int result = run(argv[1], argv[2], argv[3]);
  QueryPerformanceCounter(&end);
  std::printf("%.4f %d\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), result);
  return result == 0 ? 0 : 1;
}
