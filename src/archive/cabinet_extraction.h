// Cabinet extraction through the system's cabinet library. Every call has its own
// library context and state, so two instances' workers may unpack at the same time.
#pragma once

#include "base/download_result.h"

// Unpacks every file of the cabinet at cabinetPath into destinationDir, keeping the
// recorded folders, date and time (read as local time) and the read-only, hidden, system
// and archive attributes. A file named "package.properties" (any case) is left out.
//
// kDownloadOk when every file was unpacked. kDownloadFilesIncomplete otherwise: the
// library stopped at a file it could not write or at damaged data (the files unpacked
// before stay), the cabinet is missing or not a cabinet (nothing is created then), the
// destination is empty or too long, or files were left out because their names would
// reach outside the destination or their paths would not fit a path buffer.
DownloadResult extractCabinet(const char* destinationDir, const char* cabinetPath);
