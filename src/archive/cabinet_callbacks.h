// The cabinet library's memory and file callbacks, over the C runtime's heap and file
// descriptors, as extractCabinet hands them to FDICreate. Declared here so that other
// programs (the archive benchmark's bare loop) drive the library through the very same
// functions. They keep no state of their own: any thread may use them.
#pragma once

#include <windows.h>

#include <fdi.h>

class CUnpackBudget;

// What the library's file handles point to: a C runtime file descriptor and, for a file
// being unpacked, the budget its writes are counted against (null: not counted; the
// library only ever writes the files it unpacks). cabinetOpen's handles are allocated
// and cabinetClose frees them. A target's handle belongs to the extraction (allocated
// false): cabinetClose only closes its descriptor and sets it to -1, so that the
// extraction can tell whether the library, stopping, left the target open.
struct CabinetFile {
  int descriptor;
  CUnpackBudget* budget;
  bool allocated;
};

// A new allocated handle for an open descriptor; -1 for a descriptor of -1, and without
// memory (the descriptor is closed then).
INT_PTR newCabinetHandle(int descriptor);

FNALLOC(cabinetAlloc);
FNFREE(cabinetFree);
FNOPEN(cabinetOpen);
FNREAD(cabinetRead);
// A write that the file's budget refuses fails: the library stops at that file.
FNWRITE(cabinetWrite);
FNCLOSE(cabinetClose);
FNSEEK(cabinetSeek);
