// The cabinet library's callbacks: the library's handles are the C runtime's file
// descriptors, and its memory comes from the C runtime's heap.
#include "archive/cabinet_callbacks.h"

#include <io.h>

#include <cstdlib>

FNALLOC(cabinetAlloc) { return std::malloc(cb); }
FNFREE(cabinetFree) { std::free(pv); }
FNOPEN(cabinetOpen) { return _open(pszFile, oflag, pmode); }
FNREAD(cabinetRead) { return static_cast<UINT>(_read(static_cast<int>(hf), pv, cb)); }
FNWRITE(cabinetWrite) { return static_cast<UINT>(_write(static_cast<int>(hf), pv, cb)); }
FNCLOSE(cabinetClose) { return _close(static_cast<int>(hf)); }
FNSEEK(cabinetSeek) { return _lseek(static_cast<int>(hf), dist, seektype); }
