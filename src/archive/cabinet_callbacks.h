// The cabinet library's memory and file callbacks, over the C runtime's heap and file
// descriptors, as extractCabinet hands them to FDICreate. Declared here so that other
// programs (the archive benchmark's bare loop) drive the library through the very same
// functions. They keep no state of their own: any thread may use them.
#pragma once

#include <windows.h>

#include <fdi.h>

FNALLOC(cabinetAlloc);
FNFREE(cabinetFree);
FNOPEN(cabinetOpen);
FNREAD(cabinetRead);
FNWRITE(cabinetWrite);
FNCLOSE(cabinetClose);
FNSEEK(cabinetSeek);
