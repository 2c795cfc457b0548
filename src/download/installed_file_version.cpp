// CFileVersion::readFileVersion: the file version of an installed file, from the fixed
// part of its version resource. The product version is not used.
#include <windows.h>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "download/CFileVersion.h"

namespace {

// Copies the fixed file information out of the file's version block; false without one.
bool readFixedFileInfo(const char* fileName, VS_FIXEDFILEINFO* info) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName, &ignored);
  if (size == 0) return false;
  const ScopedBlock<void> block(NPN_MemAlloc(size));
  if (!block) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  char root[] = "\\";
  const bool found = GetFileVersionInfoA(fileName, 0, size, block.get()) &&
                     VerQueryValueA(block.get(), root, reinterpret_cast<void**>(&fixed), &fixedSize) &&
                     fixed && fixedSize >= sizeof *fixed;
  if (found) *info = *fixed;
  return found;
}

}  // namespace

bool CFileVersion::readFileVersion(const char* fileName) {
  VS_FIXEDFILEINFO info = {};
  if (!fileName || !readFixedFileInfo(fileName, &info)) {
    major = minor = build = revision = 0;
    return false;
  }
  major = HIWORD(info.dwFileVersionMS);
  minor = LOWORD(info.dwFileVersionMS);
  build = HIWORD(info.dwFileVersionLS);
  revision = LOWORD(info.dwFileVersionLS);
  return true;
}
