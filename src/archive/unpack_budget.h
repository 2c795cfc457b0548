// The bounds of one archive's unpacking. An archive may unpack to at most 1 GiB and at
// most 64 times its own size, hold at most 20000 entries, and must leave 100 MiB free on
// the destination's disk; and the page may be left while it unpacks. The extractors ask
// here before each entry and before each piece they write, counting the bytes they
// actually write whatever sizes the archive declares (a zip's may lie). Past a bound the
// extraction stops: one install-log line names the bound (none when the page was left),
// and the extractor removes what it wrote (unpack_record.h). One extraction, on the
// worker thread that runs it.
#pragma once

#include <cstdint>

#include "base/download_result.h"

#include "archive/unpacking.h"

// The most bytes one archive may unpack to: far more than any client package, far less
// than a disk. The run's limits may lower it (RunLimits::mostUnpackedMiB).
constexpr uint64_t kMostUnpackedBytes = 1ull << 30;
// And at most this many times the archive file's own size: packages compress a few times
// at best, while an archive of zeros, or one whose directory lists one entry many times,
// unpacks to thousands of times its size.
constexpr uint32_t kMostUnpackRatio = 64;
// The most entries one archive may hold, counted from its directory before anything is
// written: each file costs the disk and the extractor far more than its bytes.
constexpr uint32_t kMostArchiveEntries = 20000;
// The room unpacking leaves on the destination's disk, for the system and the updater
// that installs from it. The run's limits may change it (RunLimits::leastFreeDiskMiB).
constexpr uint64_t kLeastFreeDiskBytes = 100ull << 20;
// Free space is asked before each entry and after every this many bytes written; each
// time the disk must hold this much beyond the least, for what is written until the
// next time.
constexpr uint32_t kFreeSpaceCheckBytes = 4u << 20;

class CUnpackBudget {
 public:
  // For the archive file at archivePath, unpacked into destinationDir (which must exist
  // once entries start).
  CUnpackBudget(const Unpacking& unpacking, const char* archivePath, const char* destinationDir);
  CUnpackBudget(const CUnpackBudget&) = delete;
  CUnpackBudget& operator=(const CUnpackBudget&) = delete;

  // The archive's directory declares count entries; false, stopped, past kMostArchiveEntries.
  bool admitEntries(uint32_t count);
  // Before each entry; false, stopped, when the page was left or the disk is short of room.
  bool startEntry();
  // Before count bytes are written; false, stopped, when the page was left, the bytes
  // would take the archive past its size bounds, or the disk is short of room.
  bool admitBytes(uint32_t count);

  bool stopped() const { return m_stop != Stop::kNone; }
  // After a stop: kDownloadCancelled when the page was left, else kDownloadFilesIncomplete.
  DownloadResult stopResult() const;

 private:
  enum class Stop { kNone, kCancelled, kTotal, kRatio, kEntries, kDiskSpace };

  // Records the stop and logs its bound; always false, for the checks to return.
  bool stop(Stop reason);
  void logStop() const;
  bool checkCancelled();
  bool checkFreeSpace();

  const Unpacking& m_unpacking;
  const char* m_archivePath;
  const char* m_destinationDir;
  uint64_t m_mostBytes;
  uint64_t m_ratioBytes;  // kMostUnpackRatio times the archive's size
  uint64_t m_leastFree;
  uint64_t m_written = 0;
  uint64_t m_sinceFreeSpaceCheck = 0;
  Stop m_stop = Stop::kNone;
};
