// What the archive tests work with: the archives that make_archives.py wrote before the
// test program started, fresh scratch folders to unpack into, and listings of unpacked
// trees in the form of the script's manifests.
#pragma once

#include <windows.h>

#include <string>

#include "support/test_files.h"
#include <vector>

// The Windows path of a file in the fixtures folder, which OSTREL_ARCHIVE_FIXTURES names
// as a Unix path.
std::string fixture(const std::string& name);

// A new empty folder below the scratch folder, named after the running test (plus tag);
// the path does not end in "\". Whatever an earlier run left there is removed first.
std::string scratchFolder(const std::string& tag = "");

// A destination one level below a new scratch folder (see above), so that anything
// written outside the destination shows up beside it. The destination is not created.
struct ScratchDestination {
  explicit ScratchDestination(const std::string& tag = "");
  // A destination path of exactly length characters in the scratch folder.
  std::string ofLength(size_t length) const;

  std::string outside;
  std::string dest;
};

// The sorted manifest lines that make_archives.py wrote for an archive.
std::vector<std::string> manifest(const std::string& archive);

// A folder's tree as sorted manifest lines: "D <path>" and "F <sha1> <path>", relative
// paths with "\". Empty for a folder that does not exist.
std::vector<std::string> listTree(const std::string& folder);


// Holds a file open without sharing, as a running program would: nobody else can open it.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  HANDLE m_handle;
};
