// Path parts that lead somewhere other than where their text seems to: a part that climbs
// to the parent, or one that names a device. Names from outside (archive entries, the
// page's file list) must not contain either. Pure text, no system calls.
#pragma once

// The part from start to end (not included). Windows drops trailing dots and blanks from
// a part, so "..", "..." and ".. " all climb a level.
bool isClimbingPathPart(const char* start, const char* end);

// A part whose name up to the first dot, trailing blanks dropped, is one of the system's
// device names ("CON", "PRN", "AUX", "NUL", "COM1" to "COM9", "LPT1" to "LPT9", "CONIN$",
// "CONOUT$"), in any case and whatever extension follows. Opening such a "file" opens the
// device: a serial port may block the reader for good.
bool isDevicePathPart(const char* start, const char* end);
