// Cabinet extraction through the system's cabinet library. Every call has its own
// library context and state, so two instances' workers may unpack at the same time.
#pragma once

// Unpacks every file of the cabinet at cabinetPath into destinationDir, keeping the
// recorded folders, date and time (read as local time) and the read-only, hidden, system
// and archive attributes. A file named "package.properties" (any case) is left out.
//
// 0 when every file was unpacked. Otherwise the library's FDIERROR code when it stopped
// with one (the files unpacked before stay), and -1 when the extraction failed without one:
// the cabinet is missing or not a cabinet (nothing is created then), the destination is
// empty or too long, or files were left out because their names would reach outside the
// destination or their paths would not fit a path buffer.
int extractCabinet(const char* destinationDir, const char* cabinetPath);
