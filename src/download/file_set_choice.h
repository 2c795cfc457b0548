// What to do with one file of the page's file list, decided by the file sets of the
// package list and the versions of the installed files. Runs on the instance's worker.
#pragma once

#include "download/CFileSet.h"

enum class EntryAction {
  kSkip,            // its set brings nothing newer: not downloaded
  kFetch,           // downloaded and left as it is
  kFetchAndUnpack,  // downloaded and unpacked into the work directory
};

// The first set whose name equals localName without regard to the case of ASCII
// letters, or null.
const CFileSet* findFileSet(const CFileSetList& fileSets, const char* localName);

// True when an element's listed version is newer than the version of the installed file
// of the same name (the text after the element name's last "/"; a missing file counts as
// 0.0.0.0). The first newer element decides; the later ones are not read from disk.
bool bringsNewerFile(const CFileSet& set);

// No set matches: fetched, and unpacked only when there are no sets at all. A matching
// set without elements: fetched and unpacked. Otherwise fetched and unpacked when the set
// brings a newer file, else skipped.
EntryAction chooseEntryAction(const CFileSetList& fileSets, const char* localName);
