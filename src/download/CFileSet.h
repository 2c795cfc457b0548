// The file sets of a package list: each names an archive (by the local name of a file of
// the page's file list) and the installed files it contains with their versions. Read
// from the package list by readFileSets, consulted by chooseEntryAction, and thrown away
// at the end of one update, all on the instance's worker thread.
#pragma once

#include <cstddef>

#include "download/COwnedChain.h"

// Texts of at most 259 characters (names) and 31 characters (versions), cut to fit.
constexpr size_t kFileSetNameBuffer = 260;
constexpr size_t kFileSetVersionBuffer = 32;

// One installed file of a set: its path as the package list gives it ("/" between
// directories) and its version there, numbers separated by ",".
struct CFileSetElement {
  char name[kFileSetNameBuffer];
  char version[kFileSetVersionBuffer];
  CFileSetElement* next;
};

class CFileSet {
 public:
  CFileSet() : name(), version(), next(nullptr) {}
  virtual ~CFileSet() = default;
  CFileSet(const CFileSet&) = delete;
  CFileSet& operator=(const CFileSet&) = delete;

  // The archive's local name, compared with the file list without regard to case.
  char name[kFileSetNameBuffer];
  // In package-list order; an empty list means the archive is always fetched.
  COwnedChain<CFileSetElement> elements;
  // The set's own version; kept with the set, it takes part in no decision.
  char version[kFileSetVersionBuffer];
  CFileSet* next;
};

using CFileSetList = COwnedChain<CFileSet>;
