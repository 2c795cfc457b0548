// CUnpackRecord and endExtraction.
#include "archive/unpack_record.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "archive/unpack_budget.h"
#include "base/make_directories.h"
#include "base/path_text.h"
#include "log/install_log.h"

namespace {

constexpr size_t kFirstCapacity = 4096;

bool isFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A cabinet may have recorded the file read-only: the attribute goes before the file.
void deleteWrittenFile(const char* path) {
  if (DeleteFileA(path)) return;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

}  // namespace

CUnpackRecord::~CUnpackRecord() { std::free(m_notes); }

bool CUnpackRecord::makeDestination(const char* destinationDir) {
  if (isFolder(destinationDir)) return true;
  makeDirectories(destinationDir);
  // A destination that could not be made fails the first file's open instead.
  if (!isFolder(destinationDir)) return true;
  size_t length = std::strlen(destinationDir);
  while (length > 1 && isPathSeparator(destinationDir[length - 1])) --length;
  return note('D', destinationDir, length);
}

bool CUnpackRecord::makeFolders(const char* path, size_t from, size_t end) {
  // Targets fit a path buffer; a longer path makes nothing, and its open fails.
  char folder[kPathCapacity];
  if (end >= sizeof folder) return true;
  std::memcpy(folder, path, end);
  folder[end] = '\0';
  for (size_t at = from; at <= end; ++at) {
    if (at < end && !isPathSeparator(folder[at])) continue;
    // An empty part (a doubled separator) names no folder of its own.
    if (at == from || isPathSeparator(folder[at - 1])) continue;
    const char kept = folder[at];
    folder[at] = '\0';
    // Fails for a folder that is there already, the usual case after a folder's first file.
    const bool made = CreateDirectoryA(folder, nullptr) != 0;
    folder[at] = kept;
    if (made && !note('D', folder, at)) return false;
  }
  return true;
}

bool CUnpackRecord::noteFile(const char* path) { return note('F', path, std::strlen(path)); }

void CUnpackRecord::removeAll(DWORD mostMs) {
  const DWORD started = GetTickCount();
  for (size_t at = 0; at < m_used; at += std::strlen(m_notes + at) + 1) {
    if (mostMs != INFINITE && GetTickCount() - started >= mostMs) break;
    if (m_notes[at] == 'F') deleteWrittenFile(m_notes + at + 1);
  }
  // Folders were made parents first, so children go before their parents.
  for (size_t end = m_used; end > 0;) {
    size_t start = end - 1;
    while (start > 0 && m_notes[start - 1] != '\0') --start;
    if (m_notes[start] == 'D') RemoveDirectoryA(m_notes + start + 1);
    end = start;
  }
  m_used = 0;
}

bool CUnpackRecord::note(char kind, const char* path, size_t length) {
  const size_t needed = m_used + length + 2;
  if (needed > m_capacity) {
    size_t capacity = m_capacity ? m_capacity * 2 : kFirstCapacity;
    while (capacity < needed) capacity *= 2;
    char* grown = static_cast<char*>(std::realloc(m_notes, capacity));
    if (!grown) {
      if (m_complete) logLine("Unpacking stopped: there is no memory to note the files it wrote.");
      m_complete = false;
      return false;
    }
    m_notes = grown;
    m_capacity = capacity;
  }
  m_notes[m_used] = kind;
  std::memcpy(m_notes + m_used + 1, path, length);
  m_notes[m_used + 1 + length] = '\0';
  m_used = needed;
  return true;
}

DownloadResult endExtraction(const CUnpackBudget& budget, CUnpackRecord& record, DownloadResult result) {
  if (!budget.stopped() && record.complete()) return result;
  // The browser waits for a run whose page was left: the removal then gets half a second,
  // and what it leaves goes when the next update empties the work directory.
  const bool left = budget.stopped() && budget.stopResult() == kDownloadCancelled;
  record.removeAll(left ? kRemovalAfterLeavingMs : INFINITE);
  return budget.stopped() ? budget.stopResult() : kDownloadFilesIncomplete;
}
