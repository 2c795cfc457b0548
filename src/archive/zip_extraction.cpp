// extractZip: the driver around the zip reader, deciding which entries are written where,
// under which name, and what counts as failure.
#include "archive/zip_extraction.h"

#include <unzip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive_paths.h"
#include "archive/entry_refusal.h"
#include "archive/unpack_budget.h"
#include "archive/unpack_record.h"
#include "archive/zip_file_functions.h"
#include "base/scoped_handle.h"

namespace {

constexpr size_t kNameBufferSize = 520;
constexpr unsigned kWriteBufferSize = 0x4000;
// Room for the archive's path with ".zip" appended.
constexpr size_t kArchivePathCapacity = kPathCapacity + 4;
// An extra field's length is a 16-bit count: the whole field always fits.
constexpr size_t kExtraFieldCapacity = 0xFFFF;

// One extraction. The write buffer, through which entry data goes from the reader to the
// files, belongs to the call: two instances may unpack at the same time.
struct ZipExtraction {
  unzFile archive;
  const char* destinationDir;
  char* writeBuffer;
  char* extraBuffer;  // of kExtraFieldCapacity: an entry's whole extra field
  CUnpackBudget* budget;
  CUnpackRecord* record;
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

// The archive at zipPath, or else at zipPath with ".zip" appended; opened (of
// kArchivePathCapacity) names the one tried last. Null when neither opens; withoutEntries
// then tells whether that was for want of entries.
unzFile openArchive(const char* zipPath, bool* withoutEntries, char* opened) {
  if (!copyWhole(opened, kArchivePathCapacity, zipPath)) return nullptr;
  unzFile archive = openArchiveAt(opened, withoutEntries);
  if (archive || *withoutEntries) return archive;
  if (!appendWhole(opened, kArchivePathCapacity, ".zip")) return nullptr;
  return openArchiveAt(opened, withoutEntries);
}

// Whether an extra field reads as the standard sequence of blocks, each a 2-byte tag and a
// 2-byte size followed by that many bytes, the blocks filling the field exactly. Ordinary
// tools write such fields (Info-ZIP's "UT" time and "ux" owner blocks, the NTFS time block
// of tag 0x000A): they are metadata. A field holding a name practically never reads so,
// since a name's third and fourth characters make a size of thousands.
bool readsAsExtraBlocks(const unsigned char* field, size_t length) {
  size_t at = 0;
  while (length - at >= 4) {
    const size_t size = field[at + 2] | (field[at + 3] << 8);
    if (length - at - 4 < size) return false;
    at += 4 + size;
  }
  return at == length;
}

// The name an entry is recorded under, into a buffer of kNameBufferSize + 1. An extra field
// in the archive's directory that does not start with NUL and does not read as standard
// blocks holds the name: its text up to the first NUL, at most kNameBufferSize bytes (the
// form older releases were packed in). Otherwise the recorded name counts.
int readEntryName(const ZipExtraction& zip, char* name) {
  unz_file_info info;
  char recorded[kNameBufferSize];
  char* extra = zip.extraBuffer;
  const int result = unzGetCurrentFileInfo(zip.archive, &info, recorded, sizeof recorded, extra,
                                           kExtraFieldCapacity, nullptr, 0);
  if (result != UNZ_OK) return result;
  const size_t extraLength = std::min<size_t>(info.size_file_extra, kExtraFieldCapacity);
  if (extraLength > 0 && extra[0] != '\0' &&
      !readsAsExtraBlocks(reinterpret_cast<const unsigned char*>(extra), extraLength)) {
    const size_t length = strnlen(extra, std::min(extraLength, kNameBufferSize));
    std::memcpy(name, extra, length);
    name[length] = '\0';
    return UNZ_OK;
  }
  // The reader leaves a name that fills its buffer without a terminator.
  if (info.size_filename >= sizeof recorded) return UNZ_BADZIPFILE;
  std::strcpy(name, recorded);
  return UNZ_OK;
}

// Destination, "\" and the name as written; false when that does not fit a path buffer.
// from is then where the name starts.
bool formTarget(const ZipExtraction& zip, const char* name, char* target, size_t* from) {
  target[0] = '\0';
  if (!appendWhole(target, kPathCapacity, zip.destinationDir) || !appendSeparator(target, kPathCapacity)) return false;
  *from = std::strlen(target);
  return appendWhole(target, kPathCapacity, name);
}

int copyEntryData(const ZipExtraction& zip, FILE* file) {
  for (;;) {
    const int count = unzReadCurrentFile(zip.archive, zip.writeBuffer, kWriteBufferSize);
    if (count <= 0) return count;
    if (!zip.budget->admitBytes(static_cast<uint32_t>(count))) return UNZ_ERRNO;
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
  FILE* file = zip.record->noteFile(target) ? std::fopen(target, "wb") : nullptr;
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

// A name that is empty or ends in a separator stands for a folder: it is made, nothing
// is written. The folders are made only once the whole path is known to fit.
int writeEntry(const ZipExtraction& zip, const char* recorded, const char* name) {
  char target[kPathCapacity];
  size_t from = 0;
  if (!formTarget(zip, name, target, &from)) {
    logEntryRefusal(EntryRefusal::kPathTooLong, recorded);
    return UNZ_BADZIPFILE;
  }
  const char* lastSeparator = std::strrchr(target + from, '\\');
  const size_t length = std::strlen(target);
  const bool isFolder = length == from || target[length - 1] == '\\';
  const size_t folderEnd = isFolder ? length : lastSeparator ? static_cast<size_t>(lastSeparator - target) : from;
  if (!zip.record->makeFolders(target, from, folderEnd)) return UNZ_INTERNALERROR;
  return isFolder ? UNZ_OK : writeFileEntry(zip, target);
}

int extractEntry(ZipExtraction& zip) {
  if (!zip.budget->startEntry()) return UNZ_ERRNO;
  if (!zip.writeBuffer) zip.writeBuffer = static_cast<char*>(std::malloc(kWriteBufferSize));
  if (!zip.extraBuffer) zip.extraBuffer = static_cast<char*>(std::malloc(kExtraFieldCapacity));
  if (!zip.writeBuffer || !zip.extraBuffer) return UNZ_INTERNALERROR;
  char recorded[kNameBufferSize + 1];
  const int result = readEntryName(zip, recorded);
  if (result != UNZ_OK) return result;
  char name[kNameBufferSize + 1];
  if (!entryNameAsWritten(recorded, name, sizeof name)) {
    logEntryRefusal(EntryRefusal::kUnsafeName, recorded);
    return UNZ_BADZIPFILE;
  }
  return writeEntry(zip, recorded, name);
}

// The loop visits the entries that the archive's directory declares, no more: counting
// them first bounds it before anything is written.
DownloadResult extractEntries(ZipExtraction& zip) {
  unz_global_info global;
  if (unzGetGlobalInfo(zip.archive, &global) != UNZ_OK) return kDownloadFilesIncomplete;
  if (global.number_entry == 0) return kDownloadOk;
  if (!zip.budget->admitEntries(global.number_entry) || !zip.record->makeDestination(zip.destinationDir))
    return kDownloadFilesIncomplete;
  for (uLong i = 0; i < global.number_entry; ++i) {
    if (extractEntry(zip) != UNZ_OK) return kDownloadFilesIncomplete;
    if (i + 1 < global.number_entry && unzGoToNextFile(zip.archive) != UNZ_OK) return kDownloadFilesIncomplete;
  }
  return kDownloadOk;
}

// The reader's archive, closed with its owner.
struct ZipArchiveTraits {
  using Handle = unzFile;
  static Handle none() { return nullptr; }
  static void close(Handle handle) { unzClose(handle); }
};
using ScopedZipArchive = ScopedHandle<ZipArchiveTraits>;

// The buffers the extraction allocated as it went.
void freeBuffers(ZipExtraction& zip) {
  std::free(zip.writeBuffer);
  std::free(zip.extraBuffer);
  zip.writeBuffer = zip.extraBuffer = nullptr;
}

}  // namespace

DownloadResult extractZip(const Unpacking& unpacking, const char* destinationDir, const char* zipPath) {
  // An empty destination would put every entry at the root of the current drive.
  if (!zipPath || !destinationDir || !*destinationDir) return kDownloadFilesIncomplete;
  bool withoutEntries = false;
  char opened[kArchivePathCapacity];
  const ScopedZipArchive archive(openArchive(zipPath, &withoutEntries, opened));
  if (!archive) return withoutEntries ? kDownloadOk : kDownloadFilesIncomplete;
  CUnpackBudget budget(unpacking, opened, destinationDir);
  CUnpackRecord record;
  ZipExtraction zip = {archive.get(), destinationDir, nullptr, nullptr, &budget, &record};
  const DownloadResult result = extractEntries(zip);
  freeBuffers(zip);
  return endExtraction(budget, record, result);
}
