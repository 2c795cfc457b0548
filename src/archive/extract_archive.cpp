// extractArchive: the choice of extractor by extension.
#include "archive/extract_archive.h"

#include <cstring>

#include "archive/archive_paths.h"
#include "archive/cabinet_extraction.h"
#include "archive/zip_extraction.h"

DownloadResult extractArchive(const Unpacking& unpacking, const char* destinationDir, const char* archivePath) {
  if (!archivePath) return kDownloadOk;
  // Everything from the last "." on: a dot inside a folder name leaves a "\" in it, so
  // such a path matches neither extension.
  const char* extension = std::strrchr(archivePath, '.');
  if (!extension) return kDownloadOk;
  if (equalsIgnoringCase(extension, ".zip")) return extractZip(unpacking, destinationDir, archivePath);
  if (equalsIgnoringCase(extension, ".cab")) return extractCabinet(unpacking, destinationDir, archivePath);
  return kDownloadOk;
}
