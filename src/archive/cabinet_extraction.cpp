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
#include "base/directory_tree.h"

namespace {

// Read-only, hidden, system and archive; the other recorded bits (such as the name-is-UTF-8
// flag) are not file attributes.
constexpr USHORT kKeptAttributes = 0x27;
constexpr int kTargetOpenFlags = _O_WRONLY | _O_CREAT | _O_SEQUENTIAL | _O_BINARY;
constexpr int kCabinetOpenFlags = _O_RDONLY | _O_BINARY | _O_SEQUENTIAL;

// One extraction's state, handed to the library as its user value.
struct CabinetContext {
  char destinationDir[kPathCapacity];  // always ends in "\"
  char target[kPathCapacity];          // the file being unpacked
  char lastFolder[kPathCapacity];      // the folder made for the file before
  bool leftOut;                        // a file was refused for its name or path length
};

bool formTarget(CabinetContext* context, const char* name) {
  if (!isContainedEntryName(name)) return false;
  context->target[0] = '\0';
  return appendWhole(context->target, kPathCapacity, context->destinationDir) &&
         appendWhole(context->target, kPathCapacity, name);
}

// Files of one folder follow each other in a cabinet: a folder made for the file before
// is not made again.
void makeTargetFolder(CabinetContext* context) {
  char folder[kPathCapacity];
  std::strcpy(folder, context->target);
  char* lastSeparator = std::strrchr(folder, '\\');
  if (lastSeparator) *lastSeparator = '\0';
  if (std::strcmp(folder, context->lastFolder) == 0) return;
  createDirectoryTree(folder);
  std::strcpy(context->lastFolder, folder);
}

// The target is opened without truncation and emptied afterwards: an open that truncates
// is refused by the system for an existing hidden or system file, which a previous
// extraction of the same cabinet may have left.
INT_PTR openTarget(CabinetContext* context, const char* name) {
  if (equalsIgnoringCase(name, "package.properties")) return 0;
  if (!formTarget(context, name)) {
    context->leftOut = true;
    return 0;
  }
  makeTargetFolder(context);
  const int descriptor = _open(context->target, kTargetOpenFlags, _S_IREAD | _S_IWRITE);
  if (descriptor != -1 && _chsize(descriptor, 0) != 0) {
    _close(descriptor);
    return -1;
  }
  return descriptor;
}

// The time is set through the descriptor that wrote the file, before it is closed: opening
// the file once more only for its time would cost as much again.
void applyRecordedTime(INT_PTR descriptor, USHORT date, USHORT time) {
  FILETIME local;
  FILETIME universal;
  if (DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(descriptor))), &universal, nullptr,
                &universal);
  }
}

// A new file already carries the archive attribute, which is what most cabinets record:
// the attributes are set only where they differ, which saves opening the file again.
void applyRecordedAttributes(const char* target, USHORT recorded) {
  const DWORD kept = recorded & kKeptAttributes;
  if (GetFileAttributesA(target) != kept) SetFileAttributesA(target, kept);
}

INT_PTR finishTarget(CabinetContext* context, const FDINOTIFICATION* note) {
  applyRecordedTime(note->hf, note->date, note->time);
  _close(static_cast<int>(note->hf));
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

bool isCabinetFile(HFDI library, const char* cabinetPath) {
  const int descriptor = _open(cabinetPath, kCabinetOpenFlags);
  if (descriptor == -1) return false;
  FDICABINETINFO info = {};
  const bool isCabinet = FDIIsCabinet(library, descriptor, &info);
  _close(descriptor);
  return isCabinet;
}

DownloadResult copyFiles(HFDI library, const char* cabinetPath, CabinetContext* context) {
  char folder[kPathCapacity];
  char name[kPathCapacity];
  if (!splitCabinetPath(cabinetPath, folder, name) || !isCabinetFile(library, cabinetPath))
    return kDownloadFilesIncomplete;
  // The library's own error code (in the ERF given to FDICreate) tells why it stopped;
  // the update needs only that the files are not all there.
  if (!FDICopy(library, name, folder, 0, onCabinetEvent, nullptr, context)) return kDownloadFilesIncomplete;
  return context->leftOut ? kDownloadFilesIncomplete : kDownloadOk;
}

}  // namespace

DownloadResult extractCabinet(const char* destinationDir, const char* cabinetPath) {
  if (!cabinetPath) return kDownloadFilesIncomplete;
  CabinetContext context = {};
  if (!prepareDestination(&context, destinationDir)) return kDownloadFilesIncomplete;
  // The library writes its error code here; it must outlive the library handle.
  ERF error = {};
  HFDI library = FDICreate(cabinetAlloc, cabinetFree, cabinetOpen, cabinetRead, cabinetWrite,
                           cabinetClose, cabinetSeek, cpuUNKNOWN, &error);
  if (!library) return kDownloadFilesIncomplete;
  const DownloadResult result = copyFiles(library, cabinetPath, &context);
  FDIDestroy(library);
  return result;
}
