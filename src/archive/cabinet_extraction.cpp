// extractCabinet: the cabinet library driven through the callbacks of cabinet_callbacks.h,
// and the notification handler that decides where each file goes.
#include "archive/cabinet_extraction.h"

#include <windows.h>

#include <fcntl.h>
#include <fdi.h>
#include <io.h>
#include <sys/stat.h>

#include <cstring>

#include "archive/archive_paths.h"
#include "archive/cabinet_callbacks.h"
#include "archive/entry_refusal.h"
#include "archive/unpack_budget.h"
#include "archive/unpack_record.h"
#include "base/scoped_handle.h"

namespace {

// Read-only, hidden, system and archive; the other recorded bits (such as the name-is-UTF-8
// flag) are not file attributes.
constexpr USHORT kKeptAttributes = 0x27;
constexpr int kTargetOpenFlags = _O_WRONLY | _O_CREAT | _O_SEQUENTIAL | _O_BINARY;
constexpr int kCabinetOpenFlags = _O_RDONLY | _O_BINARY | _O_SEQUENTIAL;
// What the notification handler gives the library for a file: leave it out, or stop.
constexpr INT_PTR kSkipFile = 0;
constexpr INT_PTR kStopCopy = -1;

// One extraction's state, handed to the library as its user value.
struct CabinetContext {
  char destinationDir[kPathCapacity];  // always ends in "\"
  char target[kPathCapacity];          // the file being unpacked
  char lastFolder[kPathCapacity];      // the folder made for the file before
  bool leftOut;                        // a file was refused for its name or path length
  CUnpackBudget* budget;
  CUnpackRecord* record;
  CabinetFile targetFile;              // the library's handle of the target; -1 when none is open
};

bool formTarget(CabinetContext* context, const char* name) {
  context->target[0] = '\0';
  return appendWhole(context->target, kPathCapacity, context->destinationDir) &&
         appendWhole(context->target, kPathCapacity, name);
}

// Files of one folder follow each other in a cabinet: a folder made for the file before
// is not made again. The target's separators are all "\" (entryNameAsWritten).
bool makeTargetFolder(CabinetContext* context) {
  const size_t folderEnd = static_cast<size_t>(std::strrchr(context->target, '\\') - context->target);
  if (std::strncmp(context->target, context->lastFolder, folderEnd) == 0 && context->lastFolder[folderEnd] == '\0')
    return true;
  if (!context->record->makeFolders(context->target, std::strlen(context->destinationDir), folderEnd)) return false;
  std::memcpy(context->lastFolder, context->target, folderEnd);
  context->lastFolder[folderEnd] = '\0';
  return true;
}

INT_PTR refuse(CabinetContext* context, EntryRefusal why, const char* recorded) {
  logEntryRefusal(why, recorded);
  context->leftOut = true;
  return kSkipFile;
}

// The target is opened without truncation and emptied afterwards: an open that truncates
// is refused by the system for an existing hidden or system file, which a previous
// extraction of the same cabinet may have left.
INT_PTR openTarget(CabinetContext* context, const char* recorded) {
  if (!context->budget->startEntry()) return kStopCopy;
  char name[kPathCapacity];
  if (!entryNameAsWritten(recorded, name, sizeof name)) return refuse(context, EntryRefusal::kUnsafeName, recorded);
  if (equalsIgnoringCase(name, "package.properties")) {
    logEntryRefusal(EntryRefusal::kPackageList, recorded);
    return kSkipFile;
  }
  if (!formTarget(context, name)) return refuse(context, EntryRefusal::kPathTooLong, recorded);
  if (!makeTargetFolder(context) || !context->record->noteFile(context->target)) return kStopCopy;
  const int descriptor = _open(context->target, kTargetOpenFlags, _S_IREAD | _S_IWRITE);
  if (descriptor == -1) return kStopCopy;
  if (_chsize(descriptor, 0) != 0) {
    _close(descriptor);
    return kStopCopy;
  }
  context->targetFile = CabinetFile{descriptor, context->budget, false};
  return reinterpret_cast<INT_PTR>(&context->targetFile);
}

// The time is set through the descriptor that wrote the file, before it is closed: opening
// the file once more only for its time would cost as much again.
void applyRecordedTime(int descriptor, USHORT date, USHORT time) {
  FILETIME local;
  FILETIME universal;
  if (DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), &universal, nullptr, &universal);
  }
}

// A new file already carries the archive attribute, which is what most cabinets record:
// the attributes are set only where they differ, which saves opening the file again.
void applyRecordedAttributes(const char* target, USHORT recorded) {
  const DWORD kept = recorded & kKeptAttributes;
  if (GetFileAttributesA(target) != kept) SetFileAttributesA(target, kept);
}

INT_PTR finishTarget(CabinetContext* context, const FDINOTIFICATION* note) {
  applyRecordedTime(context->targetFile.descriptor, note->date, note->time);
  cabinetClose(note->hf);
  applyRecordedAttributes(context->target, note->attribs);
  return TRUE;
}

FNFDINOTIFY(onCabinetEvent) {
  auto* context = static_cast<CabinetContext*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE:
      return openTarget(context, pfdin->psz1);
    case fdintCLOSE_FILE_INFO:
      return finishTarget(context, pfdin);
    default:
      return 0;
  }
}

bool prepareDestination(CabinetContext* context, const char* destinationDir) {
  if (!destinationDir || !*destinationDir) return false;
  return appendWhole(context->destinationDir, kPathCapacity, destinationDir) &&
         appendSeparator(context->destinationDir, kPathCapacity);
}

// The library takes a cabinet as its folder (ending in "\", or empty) and its name.
bool splitCabinetPath(const char* cabinetPath, char* folder, char* name) {
  const char* lastSeparator = std::strrchr(cabinetPath, '\\');
  const size_t folderLength = lastSeparator ? lastSeparator - cabinetPath + 1 : 0;
  folder[0] = '\0';
  name[0] = '\0';
  return appendWhole(folder, kPathCapacity, cabinetPath, folderLength) &&
         appendWhole(name, kPathCapacity, cabinetPath + folderLength);
}

// True for a cabinet; files then holds the number of files it declares. The library
// reads the file through its callbacks, so the file is opened as one of its handles.
bool isCabinetFile(HFDI library, const char* cabinetPath, USHORT* files) {
  const INT_PTR handle = newCabinetHandle(_open(cabinetPath, kCabinetOpenFlags));
  if (handle == -1) return false;
  FDICABINETINFO info = {};
  const bool isCabinet = FDIIsCabinet(library, handle, &info);
  cabinetClose(handle);
  *files = info.cFiles;
  return isCabinet;
}

// The library visits the files that the cabinet declares, no more: counting them first
// bounds the copy before anything is written.
DownloadResult copyFiles(HFDI library, const char* cabinetPath, CabinetContext* context) {
  char folder[kPathCapacity];
  char name[kPathCapacity];
  USHORT files = 0;
  if (!splitCabinetPath(cabinetPath, folder, name) || !isCabinetFile(library, cabinetPath, &files) ||
      !context->budget->admitEntries(files) || !context->record->makeDestination(context->destinationDir))
    return kDownloadFilesIncomplete;
  // The library's own error code (in the ERF given to FDICreate) tells why it stopped;
  // the update needs only that the files are not all there.
  const BOOL copied = FDICopy(library, name, folder, 0, onCabinetEvent, nullptr, context);
  // A library that stops at a failed write may leave the target open; it must be closed
  // before it can be removed.
  if (context->targetFile.descriptor != -1) cabinetClose(reinterpret_cast<INT_PTR>(&context->targetFile));
  if (!copied) return kDownloadFilesIncomplete;
  return context->leftOut ? kDownloadFilesIncomplete : kDownloadOk;
}

// The cabinet library's context, destroyed with its owner.
struct CabinetLibraryTraits {
  using Handle = HFDI;
  static Handle none() { return nullptr; }
  static void close(Handle handle) { FDIDestroy(handle); }
};
using ScopedCabinetLibrary = ScopedHandle<CabinetLibraryTraits>;

}  // namespace

DownloadResult extractCabinet(const Unpacking& unpacking, const char* destinationDir, const char* cabinetPath) {
  if (!cabinetPath) return kDownloadFilesIncomplete;
  CabinetContext context = {};
  context.targetFile.descriptor = -1;
  if (!prepareDestination(&context, destinationDir)) return kDownloadFilesIncomplete;
  CUnpackBudget budget(unpacking, cabinetPath, context.destinationDir);
  CUnpackRecord record;
  context.budget = &budget;
  context.record = &record;
  // The library writes its error code here; it must outlive the library handle.
  ERF error = {};
  const ScopedCabinetLibrary library(FDICreate(cabinetAlloc, cabinetFree, cabinetOpen, cabinetRead, cabinetWrite,
                                               cabinetClose, cabinetSeek, cpuUNKNOWN, &error));
  if (!library) return kDownloadFilesIncomplete;
  const DownloadResult result = copyFiles(library.get(), cabinetPath, &context);
  return endExtraction(budget, record, result);
}
