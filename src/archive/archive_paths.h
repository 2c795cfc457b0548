// Path texts for the extractors: the room for a target path, the name an entry is
// written under, and the rule that keeps names read from an archive inside the
// destination. Pure text, no system calls.
#pragma once

#include <cstddef>

// Entry names and extensions are compared in any case (equalsIgnoringCase).
#include "base/ascii_case.h"
#include "base/bounded_text.h"
#include "base/path_text.h"

// True when a name recorded in an archive stays below the folder it is joined to: it does
// not start with a separator (absolute or network path), holds no ":" (drive letter or
// alternate stream), no component of it climbs ("..", or any run of dots and spaces with
// two or more dots, which the file system reduces to ".."), and no component names a
// device ("CON", "PRN", "AUX", "NUL", "COM1" to "COM9", "LPT1" to "LPT9", "CONIN$",
// "CONOUT$"; in any case, with or without an extension, in any folder).
bool isContainedEntryName(const char* name);

// The name an entry recorded as recorded is written under, into out (capacity bytes):
// each part trimmed as Windows trims it (trimPathParts), so "dir. /x" is "dir\x", every
// "/" written "\" (cabinets and zips use either), and the result held to
// isContainedEntryName. False when a part trims to nothing, the trimmed name is not
// contained, or it does not fit out.
bool entryNameAsWritten(const char* recorded, char* out, size_t capacity);
