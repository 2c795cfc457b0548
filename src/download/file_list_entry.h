// One entry of the page's file list: "URL;relative directory". Splits it into the URL,
// the local file name (the URL's text after its last "/"), the destination directory
// under the work directory and the path of the downloaded file, refusing entries that
// do not fit their buffers or would write outside the work directory. The local name and
// each part of the directory lose their trailing dots and blanks, as Windows drops them
// from the names it creates ("client.cab." is "client.cab"), and as archive entry names
// do (entryNameAsWritten).
#pragma once

#include <cstddef>

constexpr size_t kFileListEntryLimit = 511;
constexpr size_t kFileListPathBuffer = 260;

struct FileListEntry {
  char url[kFileListEntryLimit + 1];
  char localName[kFileListPathBuffer];
  // The work directory, "\" and the relative directory; with an empty relative directory
  // the work directory followed by "\".
  char directory[kFileListPathBuffer];
  // The destination directory, "\" (unless it already ends in one) and the local name.
  char filePath[kFileListPathBuffer];
};

enum class FileListEntryCheck {
  kAccepted,
  kMissing,            // no entry, or an empty one
  kTooLong,            // more than 511 characters
  kNoWorkDirectory,    // files would land in the root of the current drive
  kAbsoluteDirectory,  // the relative directory starts with "\" or "/"
  kDriveInDirectory,   // the relative directory holds a ":" (a drive or a stream name)
  kClimbingDirectory,  // one of its parts is ".." (or dots that the system reads so)
  kBlankDirectoryPart,  // one of its parts is "." or blanks, which trim to nothing
  kUnusableLocalName,  // empty, dots only, or holding "\" or ":"
  kDeviceName,         // the local name or a part of the directory names a device ("COM1", "aux.txt")
  kPathTooLong,        // the directory or the file's path would exceed 259 characters
};

// Splits entry at its first ";". An entry without ";" is all URL, and its file goes into
// the work directory itself. On kAccepted, out holds the four texts; otherwise out is
// cleared (and nothing is logged).
FileListEntryCheck checkFileListEntry(const char* entry, const char* workDirectory, FileListEntry& out);

// The one install-log line that says why entry was refused.
void logFileListRefusal(const char* entry, FileListEntryCheck check);

// checkFileListEntry, and for a refused entry its line.
FileListEntryCheck splitFileListEntry(const char* entry, const char* workDirectory, FileListEntry& out);
