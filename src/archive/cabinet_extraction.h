// Cabinet extraction through the system's cabinet library. Every call has its own
// library context and state, so two instances' workers may unpack at the same time.
#pragma once

#include "base/download_result.h"

struct Unpacking;

// Unpacks every file of the cabinet at cabinetPath into destinationDir, under the names
// as Windows writes them (entryNameAsWritten: "/" and "\" both separate folders), keeping
// the recorded folders, date and time (read as local time) and the read-only, hidden,
// system and archive attributes. A top-level "package.properties" (any case, trailing
// dots and blanks trimmed) is left out, and logged. The run's context bounds it
// (unpack_budget.h).
//
// kDownloadOk when every file was unpacked. kDownloadFilesIncomplete otherwise: the
// library stopped at a file it could not write or at damaged data (the files unpacked
// before stay), the cabinet is missing or not a cabinet (nothing is created then), the
// destination is empty or too long, or files were left out because their names would
// reach outside the destination or their paths would not fit a path buffer (each
// logged). Past a bound of the budget it stops too, gives kDownloadFilesIncomplete, and
// everything it wrote is removed; so it is when the page is left, which gives
// kDownloadCancelled.
DownloadResult extractCabinet(const Unpacking& unpacking, const char* destinationDir, const char* cabinetPath);
