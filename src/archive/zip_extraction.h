// Zip extraction through the zip reader that accompanies zlib. Every call has its own
// archive handle and buffers, so two instances' workers may unpack at the same time.
#pragma once

#include "base/download_result.h"

struct Unpacking;

// Unpacks every entry of the zip at zipPath (or, when that does not open, at zipPath with
// ".zip" appended) into destinationDir, in archive order, under the names as Windows
// writes them (entryNameAsWritten). Written files carry the time of their writing; an
// existing target is replaced. The run's context bounds it (unpack_budget.h).
//
// kDownloadOk when every entry was written. kDownloadFilesIncomplete when the archive
// could not be opened, or an entry failed: its data is damaged or fails its checksum, its
// target cannot be written, its name would reach outside the destination (logged), or its
// path would not fit a path buffer (logged). The first failed entry stops the extraction;
// the entries before it stay written. Past a bound of the budget it stops too, gives
// kDownloadFilesIncomplete, and everything it wrote is removed; so it is when the page is
// left, which gives kDownloadCancelled.
DownloadResult extractZip(const Unpacking& unpacking, const char* destinationDir, const char* zipPath);
