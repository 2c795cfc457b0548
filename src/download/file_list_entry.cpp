// splitFileListEntry: the checks run in the order of the text, each refusal logged with
// the entry so that the install log shows which file of the page was wrong. The directory
// and the local name are trimmed as Windows trims names it creates (trimPathParts), as
// archive entry names are: the paths, the file-set lookup and the choice of extractor
// all see the names the disk will hold.
#include "download/file_list_entry.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/path_parts.h"
#include "base/path_text.h"
#include "base/path_trimming.h"
#include "log/install_log.h"

namespace {

// Trims directory in place once its parts are known not to climb.
FileListEntryCheck checkRelativeDirectory(char* directory) {
  if (isPathSeparator(directory[0])) return FileListEntryCheck::kAbsoluteDirectory;
  if (std::strchr(directory, ':')) return FileListEntryCheck::kDriveInDirectory;
  const char* part = directory;
  for (;;) {
    const char* end = part;
    while (*end && !isPathSeparator(*end)) ++end;
    if (isClimbingPathPart(part, end)) return FileListEntryCheck::kClimbingDirectory;
    if (isDevicePathPart(part, end)) return FileListEntryCheck::kDeviceName;
    if (!*end) break;
    part = end + 1;
  }
  return trimPathParts(directory) ? FileListEntryCheck::kAccepted : FileListEntryCheck::kBlankDirectoryPart;
}

bool isUsableLocalName(const char* name) {
  const size_t length = std::strlen(name);
  if (length == 0 || std::strpbrk(name, "\\:")) return false;
  return std::strspn(name, ". ") != length;
}

FileListEntryCheck formPaths(const char* workDirectory, const char* relativeDirectory,
                             FileListEntry& out) {
  const size_t size = kFileListPathBuffer;
  if (!appendWhole(out.directory, size, workDirectory) || !appendWhole(out.directory, size, "\\") ||
      !appendWhole(out.directory, size, relativeDirectory))
    return FileListEntryCheck::kPathTooLong;
  std::strcpy(out.filePath, out.directory);
  const bool endsInSeparator = isPathSeparator(out.filePath[std::strlen(out.filePath) - 1]);
  if ((!endsInSeparator && !appendWhole(out.filePath, size, "\\")) ||
      !appendWhole(out.filePath, size, out.localName))
    return FileListEntryCheck::kPathTooLong;
  return FileListEntryCheck::kAccepted;
}

// Splits the copy in out.url at its first ";"; the local name is cut from the URL.
FileListEntryCheck splitEntry(const char* workDirectory, FileListEntry& out) {
  char* separator = std::strchr(out.url, ';');
  // Without ";" the directory is empty: the URL's own end.
  char* relativeDirectory = out.url + std::strlen(out.url);
  if (separator) {
    *separator = '\0';
    relativeDirectory = separator + 1;
  }
  const FileListEntryCheck directoryCheck = checkRelativeDirectory(relativeDirectory);
  if (directoryCheck != FileListEntryCheck::kAccepted) return directoryCheck;
  const char* slash = std::strrchr(out.url, '/');
  const char* localName = slash ? slash + 1 : out.url;
  if (!isUsableLocalName(localName)) return FileListEntryCheck::kUnusableLocalName;
  if (isDevicePathPart(localName, localName + std::strlen(localName))) return FileListEntryCheck::kDeviceName;
  if (std::strlen(localName) >= sizeof out.localName) return FileListEntryCheck::kPathTooLong;
  // A usable name holds something besides dots and blanks: it never trims to nothing.
  std::strcpy(out.localName, localName);
  if (!trimPathParts(out.localName)) return FileListEntryCheck::kUnusableLocalName;
  return formPaths(workDirectory, relativeDirectory, out);
}

const char* refusalText(FileListEntryCheck check) {
  switch (check) {
    case FileListEntryCheck::kNoWorkDirectory:
      return "File list entry refused, there is no work directory: ";
    case FileListEntryCheck::kAbsoluteDirectory:
      return "File list entry refused, its directory is absolute: ";
    case FileListEntryCheck::kDriveInDirectory:
      return "File list entry refused, its directory names a drive: ";
    case FileListEntryCheck::kClimbingDirectory:
      return "File list entry refused, its directory climbs out of the work directory: ";
    case FileListEntryCheck::kBlankDirectoryPart:
      return "File list entry refused, a part of its directory is dots and blanks only: ";
    case FileListEntryCheck::kUnusableLocalName:
      return "File list entry refused, its URL ends in no usable file name: ";
    case FileListEntryCheck::kDeviceName:
      return "File list entry refused, its file or directory names a device: ";
    default:
      return "File list entry refused, its path would exceed 259 characters: ";
  }
}

}  // namespace

void logFileListRefusal(const char* entry, FileListEntryCheck check) {
  auto lock = lockInstallLog();
  if (check == FileListEntryCheck::kMissing) {
    logLine("File list entry refused, it is missing or empty.");
  } else if (check == FileListEntryCheck::kTooLong) {
    logText("File list entry refused, longer than 511 characters.  Length: ");
    logUnsignedLine(static_cast<uint32_t>(entry ? std::strlen(entry) : 0));
  } else {
    logText(refusalText(check));
    logLine(entry);
  }
}

FileListEntryCheck splitFileListEntry(const char* entry, const char* workDirectory, FileListEntry& out) {
  const FileListEntryCheck check = checkFileListEntry(entry, workDirectory, out);
  if (check != FileListEntryCheck::kAccepted) logFileListRefusal(entry, check);
  return check;
}

FileListEntryCheck checkFileListEntry(const char* entry, const char* workDirectory, FileListEntry& out) {
  std::memset(&out, 0, sizeof out);
  const size_t length = entry ? std::strlen(entry) : 0;
  FileListEntryCheck check = FileListEntryCheck::kAccepted;
  if (length == 0)
    check = FileListEntryCheck::kMissing;
  else if (length > kFileListEntryLimit)
    check = FileListEntryCheck::kTooLong;
  else if (!workDirectory || !*workDirectory)
    check = FileListEntryCheck::kNoWorkDirectory;
  if (check == FileListEntryCheck::kAccepted) {
    std::memcpy(out.url, entry, length + 1);
    check = splitEntry(workDirectory, out);
  }
  if (check != FileListEntryCheck::kAccepted) std::memset(&out, 0, sizeof out);
  return check;
}
