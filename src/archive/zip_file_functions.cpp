// fillZipFileFunctions: open, read, tell, seek, close and error for the zip reader.
#include "archive/zip_file_functions.h"

#include <windows.h>

#include <new>

#include "base/scoped_handle.h"

namespace {

struct ZipFile {
  HANDLE handle;
  DWORD error;
};

HANDLE handleOf(voidpf stream) { return static_cast<ZipFile*>(stream)->handle; }

voidpf ZCALLBACK openZipFile(voidpf, const void* name, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  ScopedFileHandle handle(CreateFileA(static_cast<const char*>(name), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return nullptr;
  auto* file = new (std::nothrow) ZipFile{handle.get(), 0};
  // From here on the reader's close callback closes it.
  if (file) handle.release();
  return file;
}

uLong ZCALLBACK readZipFile(voidpf, voidpf stream, void* buffer, uLong size) {
  DWORD count = 0;
  if (!ReadFile(handleOf(stream), buffer, size, &count, nullptr)) {
    static_cast<ZipFile*>(stream)->error = GetLastError();
  }
  return count;
}

uLong ZCALLBACK refuseWrite(voidpf, voidpf, const void*, uLong) { return 0; }

// SetFilePointer rather than SetFilePointerEx, which the Windows 9x family lacks: the
// plug-in must still load there to show its refusal.
bool moveZipFile(voidpf stream, ZPOS64_T distance, DWORD method, ZPOS64_T* position) {
  LONG high = static_cast<LONG>(distance >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(handleOf(stream), static_cast<LONG>(distance), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    static_cast<ZipFile*>(stream)->error = GetLastError();
    return false;
  }
  if (position) *position = (static_cast<ZPOS64_T>(static_cast<DWORD>(high)) << 32) | low;
  return true;
}

ZPOS64_T ZCALLBACK tellZipFile(voidpf, voidpf stream) {
  ZPOS64_T position = 0;
  return moveZipFile(stream, 0, FILE_CURRENT, &position) ? position : static_cast<ZPOS64_T>(-1);
}

// The reader passes backward moves as their two's complement.
long ZCALLBACK seekZipFile(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  DWORD method = FILE_BEGIN;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) method = FILE_CURRENT;
  else if (origin == ZLIB_FILEFUNC_SEEK_END) method = FILE_END;
  else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
  return moveZipFile(stream, offset, method, nullptr) ? 0 : -1;
}

int ZCALLBACK closeZipFile(voidpf, voidpf stream) {
  CloseHandle(handleOf(stream));
  delete static_cast<ZipFile*>(stream);
  return 0;
}

int ZCALLBACK zipFileError(voidpf, voidpf stream) { return static_cast<int>(static_cast<ZipFile*>(stream)->error); }

}  // namespace

void fillZipFileFunctions(zlib_filefunc64_def* functions) {
  functions->zopen64_file = openZipFile;
  functions->zread_file = readZipFile;
  functions->zwrite_file = refuseWrite;
  functions->ztell64_file = tellZipFile;
  functions->zseek64_file = seekZipFile;
  functions->zclose_file = closeZipFile;
  functions->zerror_file = zipFileError;
  functions->opaque = nullptr;
}
