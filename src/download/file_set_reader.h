// Reading the file sets out of a parsed package list. Keys (n and j decimal from 0, NAME
// the value of "updaterFile." n):
//   "updaterFiles"          number of sets
//   "updaterFile." n        NAME, the name of set n
//   NAME ".files"           number of elements of the set
//   NAME ".element." j      name of element j
//   ".version." j           version of element j, the same key for every set
//   NAME ".version"         the set's own version
// Counts read as atoi reads them; a count below 1 means none. Missing keys read as the
// empty text: a set or element is appended all the same.
#pragma once

#include "download/CFileSet.h"

class CPropertyMap;

enum class FileSetReading {
  kComplete,
  // No room for another set or element.
  kNoRoom,
};

// Appends the package list's sets to fileSets in order. On anything but kComplete the
// sets read so far stay in fileSets; the caller should not trust them to be complete.
FileSetReading readFileSets(const CPropertyMap& packageList, CFileSetList& fileSets);
