// The page's file list, split once: each entry's parts (or why it was refused), its
// declared size and its FileSha256. The check of a signed release and the downloads read
// the same values. A refused entry's line is logged when a step meets it, as the steps go.
#pragma once

#include <vector>

#include "download/file_list_entry.h"

struct PageFile {
  const char* text;          // the entry as the page gave it (may be null)
  FileListEntry entry;       // its parts, with kAccepted
  FileListEntryCheck check;
  int declaredSize;          // negative: not known
  const char* sha256;        // null or empty: none
};
using PageFiles = std::vector<PageFile>;

// Splits count entries of the page (names, sizes and hashes, each array may be null)
// against workDirectory. Throws std::bad_alloc without room for them.
PageFiles readPageFiles(const char* const* names, const int* sizes, const char* const* hashes, int count,
                        const char* workDirectory);

// Whether the file may be had: true for an accepted entry; a refused one logs its line.
bool acceptPageFile(const PageFile& file);
