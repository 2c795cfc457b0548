// The install log's line for an archive entry that is not unpacked, one line per entry,
// naming it as the archive records it so that an operator finds it in the package.
#pragma once

enum class EntryRefusal {
  // Absolute, climbing, with a drive or a device, or with a part of dots and blanks only
  // (entryNameAsWritten refused it).
  kUnsafeName,
  // The destination and the name would exceed 259 characters.
  kPathTooLong,
  // A cabinet's top-level package.properties: the package list travels with the cabinet
  // for the server and is never unpacked. Not a failure.
  kPackageList,
};

void logEntryRefusal(EntryRefusal why, const char* recordedName);
