// The one entry point for unpacking a downloaded package file: the extractor is chosen
// by the file name's extension. Runs on an instance's worker thread; two instances may
// unpack at the same time.
#pragma once

#include "base/download_result.h"

struct Unpacking;

// Unpacks archivePath into destinationDir for the run: a name ending in ".zip" goes to
// extractZip, one ending in ".cab" to extractCabinet (either in any case), and the result
// is theirs (kDownloadOk; kDownloadFilesIncomplete when the archive did not unpack or
// went past a bound of unpack_budget.h; kDownloadCancelled when the page was left). Any
// other name, a name without ".", or a null one has nothing to unpack: it does nothing
// and gives kDownloadOk.
DownloadResult extractArchive(const Unpacking& unpacking, const char* destinationDir, const char* archivePath);
