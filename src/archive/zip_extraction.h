// Zip extraction through the zip reader that accompanies zlib. Every call has its own
// archive handle and write buffer, so two instances' workers may unpack at the same time.
#pragma once

#include "base/download_result.h"

// Unpacks every entry of the zip at zipPath (or, when that does not open, at zipPath with
// ".zip" appended) into destinationDir, in archive order. Written files carry the time of
// their writing; an existing target is replaced.
//
// kDownloadOk when every entry was written. kDownloadFilesIncomplete when the archive
// could not be opened, or an entry failed: its data is damaged or fails its checksum, its
// target cannot be written, its name would reach outside the destination, or its path
// would not fit a path buffer. The first failed entry stops the extraction; the entries
// before it stay written.
DownloadResult extractZip(const char* destinationDir, const char* zipPath);
