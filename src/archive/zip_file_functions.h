// The zip reader's file functions over the Win32 file API, with 64-bit positions. The
// Win32 layer that ships with the reader cannot be used: it imports CreateFile2, which
// systems before Windows 8 lack, its 64-bit seek ignores where to seek from, and its
// 32-bit seek refuses to move backwards, which the reader does on every entry with an
// extra field. Reading only: the extractor never writes an archive.
#pragma once

#include <ioapi.h>

// Fills functions for unzOpen2_64; file names are 8-bit texts in the system code page.
void fillZipFileFunctions(zlib_filefunc64_def* functions);
