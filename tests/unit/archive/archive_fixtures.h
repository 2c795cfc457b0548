// What the archive tests work with: the archives that make_archives.py wrote before the
// test program started, fresh scratch folders to unpack into with a run to unpack for,
// listings of unpacked trees in the form of the script's manifests, and the install
// log's lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "archive/unpacking.h"
#include "support/test_files.h"

// The start of the line for an entry whose name is refused.
constexpr char kRefusedNameLine[] =
    "Archive entry refused, its name is absolute, climbs, names a drive or a device, or has a part of dots and "
    "blanks only: ";

// The Windows path of a file in the fixtures folder, which OSTREL_ARCHIVE_FIXTURES names
// as a Unix path.
std::string fixture(const std::string& name);

// A new empty folder below the scratch folder, named after the running test (plus tag);
// the path does not end in "\". Whatever an earlier run left there is removed first.
std::string scratchFolder(const std::string& tag = "");

// A destination one level below a new scratch folder (see above), so that anything
// written outside the destination shows up beside it. The destination is not created.
// The unpacking is the one the extractions are for: never cancelled, with the product's
// bounds, unless a test changes it.
struct ScratchDestination {
  explicit ScratchDestination(const std::string& tag = "");
  // A destination path of exactly length characters in the scratch folder.
  std::string ofLength(size_t length) const;

  std::string outside;
  std::string dest;
  Unpacking run;
};

// The sorted manifest lines that make_archives.py wrote for an archive.
std::vector<std::string> manifest(const std::string& archive);

// A folder's tree as sorted manifest lines: "D <path>" and "F <sha1> <path>", relative
// paths with "\". Empty for a folder that does not exist.
std::vector<std::string> listTree(const std::string& folder);

// The install log's lines since it was last released (releaseInstallLog).
std::vector<std::string> installLogLines();


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
