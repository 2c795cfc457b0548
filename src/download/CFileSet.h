// The file sets of a package list: each names an archive (by the local name of a file of
// the page's file list) and the installed files it contains with their versions. Read
// from the package list by readFileSets, consulted by chooseEntryAction, and thrown away
// at the end of one update, all on the instance's worker thread.
//
// A long list holds hundreds of thousands of records inside the browser's process, so
// each record keeps its name and version in its own block, just after itself (the name
// and its NUL, then the version and its NUL): it costs what its texts need, not what the
// longest texts would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "download/COwnedChain.h"

// The longest texts a record keeps: longer names and versions are cut to these.
constexpr size_t kFileSetNameLimit = 259;
constexpr size_t kFileSetVersionLimit = 31;

// A text for a record, already cut to its limit; it need not end with a NUL.
struct CFileSetText {
  const char* text;
  size_t length;
};

// The bytes a record needs after itself for its name and version.
inline size_t fileSetTextsSize(const CFileSetText& name, const CFileSetText& version) {
  return name.length + version.length + 2;
}

// Writes the name and the version, each with its NUL, at out (fileSetTextsSize bytes).
inline void storeFileSetTexts(char* out, const CFileSetText& name, const CFileSetText& version) {
  std::memcpy(out, name.text, name.length);
  out[name.length] = '\0';
  std::memcpy(out + name.length + 1, version.text, version.length);
  out[name.length + 1 + version.length] = '\0';
}

// One installed file of a set: its path as the package list gives it ("/" between
// directories) and its version there, numbers separated by ",". Made only by
// COwnedChain::append with fileSetTextsSize bytes after it.
struct CFileSetElement final {
  CFileSetElement(const CFileSetText& name, const CFileSetText& version)
      : next(nullptr), m_nameLength(static_cast<uint16_t>(name.length)) {
    storeFileSetTexts(reinterpret_cast<char*>(this + 1), name, version);
  }
  CFileSetElement(const CFileSetElement&) = delete;
  CFileSetElement& operator=(const CFileSetElement&) = delete;

  const char* name() const { return reinterpret_cast<const char*>(this + 1); }
  const char* version() const { return name() + m_nameLength + 1; }

  CFileSetElement* next;

 private:
  uint16_t m_nameLength;
};

// Made only by COwnedChain::append with fileSetTextsSize bytes after it.
class CFileSet final {
 public:
  CFileSet(const CFileSetText& name, const CFileSetText& version)
      : next(nullptr), m_nameLength(static_cast<uint16_t>(name.length)) {
    storeFileSetTexts(reinterpret_cast<char*>(this + 1), name, version);
  }
  CFileSet(const CFileSet&) = delete;
  CFileSet& operator=(const CFileSet&) = delete;

  // The archive's local name, compared with the file list without regard to case.
  const char* name() const { return reinterpret_cast<const char*>(this + 1); }
  // The set's own version; kept with the set, it takes part in no decision.
  const char* version() const { return name() + m_nameLength + 1; }

  // In package-list order; an empty list means the archive is always fetched.
  COwnedChain<CFileSetElement> elements;
  CFileSet* next;

 private:
  uint16_t m_nameLength;
};

using CFileSetList = COwnedChain<CFileSet>;
