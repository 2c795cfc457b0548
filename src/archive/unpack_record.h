// What one extraction put on the disk: the files it wrote (created or replaced) and the
// folders it made, in order, so that an extraction that stops at a bound of its budget,
// or because the page was left, takes all of it away again. One extraction, on the
// worker thread that runs it.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/download_result.h"

class CUnpackBudget;

// How long the removal may take once the page was left (see endExtraction).
constexpr DWORD kRemovalAfterLeavingMs = 500;

class CUnpackRecord {
 public:
  CUnpackRecord() = default;
  ~CUnpackRecord();
  CUnpackRecord(const CUnpackRecord&) = delete;
  CUnpackRecord& operator=(const CUnpackRecord&) = delete;

  // Makes destinationDir and its missing parents; the destination itself is noted when
  // this call made it.
  bool makeDestination(const char* destinationDir);
  // Makes each missing folder that the first end characters of path name, from character
  // from on (where the destination ends), noting each one made. end is the place of a
  // separator or the path's end; path fits a path buffer.
  bool makeFolders(const char* path, size_t from, size_t end);
  // Notes a file before it is opened for writing.
  bool noteFile(const char* path);
  // Each of the three above is false only when there is no memory for the note: the
  // extraction must stop then (complete() tells it at the end).
  bool complete() const { return m_complete; }

  // Deletes the noted files, then removes the noted folders, the last made first; a folder
  // that holds anything else stays. Past mostMs no more files are deleted.
  void removeAll(DWORD mostMs = INFINITE);

 private:
  // Appends the first length characters of path under kind.
  bool note(char kind, const char* path, size_t length);

  // Entries of a kind letter ('F' file, 'D' folder) and a path, each ending in a NUL.
  char* m_notes = nullptr;
  size_t m_used = 0;
  size_t m_capacity = 0;
  bool m_complete = true;
};

// An extraction's result once it ended: when its budget stopped it, or a note could not
// be made, everything the record holds is removed (for kRemovalAfterLeavingMs at the most
// when the page was left), and the result is the budget's (or kDownloadFilesIncomplete);
// otherwise result stands.
DownloadResult endExtraction(const CUnpackBudget& budget, CUnpackRecord& record, DownloadResult result);
