// The cabinet library's callbacks: the library's handles point to C runtime file
// descriptors, and its memory comes from the C runtime's heap.
#include "archive/cabinet_callbacks.h"

#include <io.h>

#include <cstdlib>
#include <new>

#include "archive/unpack_budget.h"

namespace {

CabinetFile* fileOf(INT_PTR handle) { return reinterpret_cast<CabinetFile*>(handle); }

}  // namespace

INT_PTR newCabinetHandle(int descriptor) {
  if (descriptor == -1) return -1;
  auto* file = new (std::nothrow) CabinetFile{descriptor, nullptr, true};
  if (file) return reinterpret_cast<INT_PTR>(file);
  _close(descriptor);
  return -1;
}

FNALLOC(cabinetAlloc) { return std::malloc(cb); }
FNFREE(cabinetFree) { std::free(pv); }
FNOPEN(cabinetOpen) { return newCabinetHandle(_open(pszFile, oflag, pmode)); }
FNREAD(cabinetRead) { return static_cast<UINT>(_read(fileOf(hf)->descriptor, pv, cb)); }

FNWRITE(cabinetWrite) {
  CabinetFile* file = fileOf(hf);
  if (file->budget && !file->budget->admitBytes(cb)) return static_cast<UINT>(-1);
  return static_cast<UINT>(_write(file->descriptor, pv, cb));
}

// The library may hand back, when it cleans up after a stop, the -1 that a notification
// gave to stop it: no file is open then.
FNCLOSE(cabinetClose) {
  if (hf == -1) return -1;
  CabinetFile* file = fileOf(hf);
  const int result = _close(file->descriptor);
  if (file->allocated)
    delete file;
  else
    file->descriptor = -1;
  return result;
}

FNSEEK(cabinetSeek) { return _lseek(fileOf(hf)->descriptor, dist, seektype); }
