// The one entry point for unpacking a downloaded package file: the extractor is chosen
// by the file name's extension. Runs on an instance's worker thread; two instances may
// unpack at the same time.
#pragma once

// Unpacks archivePath into destinationDir: a name ending in ".zip" goes to extractZip, one
// ending in ".cab" to extractCabinet (either in any case), and the result is theirs. Any
// other name, a name without ".", or a null one does nothing and gives 0.
int extractArchive(const char* destinationDir, const char* archivePath);
