// extractZip: the driver around the zip reader, deciding which entries are written where,
// under which name, and what counts as failure.
#include "archive/zip_extraction.h"

#include <unzip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive_paths.h"
#include "archive/zip_file_functions.h"
#include "base/make_directories.h"

namespace {

constexpr size_t kNameBufferSize = 520;
constexpr unsigned kWriteBufferSize = 0x4000;

// One extraction. The write buffer, through which entry data goes from the reader to the
// files, belongs to the call: two instances may unpack at the same time.
struct ZipExtraction {
  unzFile archive;
  const char* destinationDir;
  char* writeBuffer;
};

// The reader takes an end record at the very start of a file for a missing one, so it
// cannot open an archive without entries, which is nothing but that record. Such an
// archive opens as one with nothing to unpack.
bool isArchiveWithoutEntries(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  unsigned char record[22];
  const bool complete = std::fread(record, 1, sizeof record, file) == sizeof record;
  std::fclose(file);
  return complete && std::memcmp(record, "PK\5\6", 4) == 0 && record[10] == 0 && record[11] == 0;
}

unzFile openArchiveAt(const char* path, bool* withoutEntries) {
  zlib_filefunc64_def functions;
  fillZipFileFunctions(&functions);
  unzFile archive = unzOpen2_64(path, &functions);
  if (!archive) *withoutEntries = isArchiveWithoutEntries(path);
  return archive;
}

// The archive at zipPath, or else at zipPath with ".zip" appended. Null when neither
// opens; withoutEntries then tells whether that was for want of entries.
unzFile openArchive(const char* zipPath, bool* withoutEntries) {
  unzFile archive = openArchiveAt(zipPath, withoutEntries);
  if (archive || *withoutEntries) return archive;
  char withSuffix[kPathCapacity + 4] = "";
  if (!copyWhole(withSuffix, sizeof withSuffix, zipPath) || !appendWhole(withSuffix, sizeof withSuffix, ".zip"))
    return nullptr;
  return openArchiveAt(withSuffix, withoutEntries);
}

// The name an entry is written under, into a buffer of kNameBufferSize + 1: the text of
// its extra field (as the archive's directory holds it) up to the first NUL when that
// field is present and does not start with NUL, otherwise its recorded name.
int readEntryName(unzFile archive, char* name) {
  unz_file_info info;
  char recorded[kNameBufferSize];
  char extra[kNameBufferSize];
  const int result = unzGetCurrentFileInfo(archive, &info, recorded, sizeof recorded, extra,
                                           sizeof extra, nullptr, 0);
  if (result != UNZ_OK) return result;
  const size_t extraLength = std::min<size_t>(info.size_file_extra, sizeof extra);
  if (extraLength > 0 && extra[0] != '\0') {
    const size_t length = strnlen(extra, extraLength);
    std::memcpy(name, extra, length);
    name[length] = '\0';
    return UNZ_OK;
  }
  // The reader leaves a name that fills its buffer without a terminator.
  if (info.size_filename >= sizeof recorded) return UNZ_BADZIPFILE;
  std::strcpy(name, recorded);
  return UNZ_OK;
}

const char* baseNameOf(const char* name) {
  const char* base = name;
  for (const char* c = name; *c; ++c) {
    if (isPathSeparator(*c)) base = c + 1;
  }
  return base;
}

bool startTarget(const ZipExtraction& zip, char* path) {
  path[0] = '\0';
  return appendWhole(path, kPathCapacity, zip.destinationDir) && appendSeparator(path, kPathCapacity);
}

// A name ending in a separator (or empty) stands for a folder: it is made, nothing is written.
int makeFolderEntry(const ZipExtraction& zip, const char* name) {
  char path[kPathCapacity];
  if (!startTarget(zip, path) || !appendWhole(path, kPathCapacity, name)) return UNZ_BADZIPFILE;
  makeDirectories(path);
  return UNZ_OK;
}

// Destination, "\", the entry's folder part as the archive writes it, "\" unless that
// part ends in a separator, and the base name. The folders are made only once the whole
// path is known to fit.
bool prepareFileTarget(const ZipExtraction& zip, const char* name, const char* baseName, char* target) {
  if (!startTarget(zip, target)) return false;
  if (baseName == name) return appendWhole(target, kPathCapacity, baseName);
  if (!appendWhole(target, kPathCapacity, name, baseName - 1 - name)) return false;
  const size_t folderEnd = std::strlen(target);
  if (!isPathSeparator(target[folderEnd - 1]) && !appendWhole(target, kPathCapacity, "\\")) return false;
  if (!appendWhole(target, kPathCapacity, baseName)) return false;
  const char separator = target[folderEnd];
  target[folderEnd] = '\0';
  makeDirectories(target);
  target[folderEnd] = separator;
  return true;
}

int copyEntryData(const ZipExtraction& zip, FILE* file) {
  for (;;) {
    const int count = unzReadCurrentFile(zip.archive, zip.writeBuffer, kWriteBufferSize);
    if (count <= 0) return count;
    if (std::fwrite(zip.writeBuffer, 1, count, file) != static_cast<size_t>(count)) return UNZ_ERRNO;
  }
}

// The reader's close checks the entry's checksum, so it decides when the copy went well.
int writeFileEntry(const ZipExtraction& zip, const char* target) {
  int result = unzOpenCurrentFile(zip.archive);
  if (result != UNZ_OK) {
    unzCloseCurrentFile(zip.archive);
    return result;
  }
  FILE* file = std::fopen(target, "wb");
  if (!file) {
    unzCloseCurrentFile(zip.archive);
    return UNZ_BADZIPFILE;
  }
  result = copyEntryData(zip, file);
  // The last bytes reach the disk only when the file is flushed; a failure there loses them.
  const bool flushed = std::fflush(file) == 0;
  if ((std::fclose(file) != 0 || !flushed) && result == UNZ_OK) result = UNZ_ERRNO;
  const int closed = unzCloseCurrentFile(zip.archive);
  return result != UNZ_OK ? result : closed;
}

int extractEntry(ZipExtraction& zip) {
  char name[kNameBufferSize + 1];
  int result = readEntryName(zip.archive, name);
  if (result != UNZ_OK) return result;
  if (!zip.writeBuffer) zip.writeBuffer = static_cast<char*>(std::malloc(kWriteBufferSize));
  if (!zip.writeBuffer) return UNZ_INTERNALERROR;
  if (!isContainedEntryName(name)) return UNZ_BADZIPFILE;

  const char* baseName = baseNameOf(name);
  if (!*baseName) return makeFolderEntry(zip, name);
  char target[kPathCapacity];
  if (!prepareFileTarget(zip, name, baseName, target)) return UNZ_BADZIPFILE;
  return writeFileEntry(zip, target);
}

DownloadResult extractEntries(ZipExtraction& zip) {
  unz_global_info global;
  if (unzGetGlobalInfo(zip.archive, &global) != UNZ_OK) return kDownloadFilesIncomplete;
  if (global.number_entry == 0) return kDownloadOk;
  makeDirectories(zip.destinationDir);
  for (uLong i = 0; i < global.number_entry; ++i) {
    if (extractEntry(zip) != UNZ_OK) return kDownloadFilesIncomplete;
    if (i + 1 < global.number_entry && unzGoToNextFile(zip.archive) != UNZ_OK) return kDownloadFilesIncomplete;
  }
  return kDownloadOk;
}

}  // namespace

DownloadResult extractZip(const char* destinationDir, const char* zipPath) {
  // An empty destination would put every entry at the root of the current drive.
  if (!zipPath || !destinationDir || !*destinationDir) return kDownloadFilesIncomplete;
  bool withoutEntries = false;
  unzFile archive = openArchive(zipPath, &withoutEntries);
  if (!archive) return withoutEntries ? kDownloadOk : kDownloadFilesIncomplete;
  ZipExtraction zip = {archive, destinationDir, nullptr};
  const DownloadResult result = extractEntries(zip);
  unzClose(archive);
  std::free(zip.writeBuffer);
  return result;
}
