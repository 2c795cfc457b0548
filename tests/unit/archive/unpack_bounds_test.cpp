// The bounds of unpacking, through the extractors as the update calls them: an archive
// that unpacks to too much, holds too many entries or would fill the disk, and a page
// left while it unpacks. Each stops with its one line, and nothing the archive wrote
// stays.
#include "archive/extract_archive.h"

#include <gtest/gtest.h>

#include <thread>

#include "archive_fixtures.h"
#include "base/run_control.h"
#include "log/install_log.h"

namespace {

struct Bounded : ScratchDestination {
  using ScratchDestination::ScratchDestination;
  DownloadResult extract(const std::string& archive) {
    releaseInstallLog();
    return extractArchive(run, dest.c_str(), fixture(archive).c_str());
  }
};

bool hasChildren(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool any = false;
  do {
    const std::string name = found.cFileName;
    any = any || (name != "." && name != "..");
  } while (!any && FindNextFileA(search, &found));
  FindClose(search);
  return any;
}

}  // namespace

// Each bound, through both extractors. The extraction fails with the bound's one line,
// naming the archive, and nothing is left: the destination was made by the extraction
// and goes with all it held.
TEST(UnpackBounds, AnArchivePastABoundIsRefusedAndLeavesNothing) {
  struct Case {
    const char* archive;
    uint32_t mostUnpackedMiB;   // 0: the product's
    uint32_t leastFreeDiskMiB;  // 0: the product's
    const char* line;
  };
  const Case cases[] = {
      // The bytes written count, not the sizes declared: overlap.zip's directory lists one
      // entry of 256 MiB of zeros sixteen times, 4 GiB from 260 KB. The cabinet's writes
      // count as the library hands them over.
      {"overlap.zip", 0, 0, "The archive unpacks to more than 64 times its own size: "},
      {"zeros.cab", 0, 0, "The archive unpacks to more than 64 times its own size: "},
      // The gibibyte, lowered to 1 MiB: these archives pack no tighter than 2:1.
      {"big.cab", 1, 0, "The archive unpacks to more than 1 MiB: "},
      {"parallel_a.zip", 1, 0, "The archive unpacks to more than 1 MiB: "},
      // Refused from the archive's directory, before a single file is made.
      {"many.zip", 0, 0, "The archive holds more than 20000 entries: "},
      {"many.cab", 0, 0, "The archive holds more than 20000 entries: "},
      // No disk has 4 PiB free.
      {"stored.zip", 0, 0xFFFFFFFF, "Unpacking the archive would leave less than 4294967295 MiB free on the disk: "},
      {"stored.cab", 0, 0xFFFFFFFF, "Unpacking the archive would leave less than 4294967295 MiB free on the disk: "},
  };
  for (const Case& c : cases) {
    Bounded u(c.archive);
    u.run.limits.mostUnpackedMiB = c.mostUnpackedMiB;
    u.run.limits.leastFreeDiskMiB = c.leastFreeDiskMiB;
    EXPECT_EQ(u.extract(c.archive), kDownloadFilesIncomplete) << c.archive;
    EXPECT_EQ(installLogLines(), std::vector<std::string>{c.line + fixture(c.archive)});
    EXPECT_FALSE(fileExists(u.dest)) << c.archive;
  }
}

// What was there before stays, also in a folder the archive wrote into: only what the
// archive wrote goes. big.cab's first files go to d0\e0.
TEST(UnpackBounds, AStoppedExtractionLeavesWhatWasThereBefore) {
  Bounded u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  CreateDirectoryA((u.dest + "\\d0").c_str(), nullptr);
  writeFile(u.dest + "\\d0\\mine.txt", "mine");
  u.run.limits.mostUnpackedMiB = 1;
  EXPECT_EQ(u.extract("big.cab"), kDownloadFilesIncomplete);
  EXPECT_EQ(listTree(u.dest),
            (std::vector<std::string>{"D d0", "F 8034c43d15bb7ef42e2cc24255217acfc5f4b2f4 d0\\mine.txt"}));
}

// The page is left once the first folder appears, while the 100 MB cabinet unpacks.
// Once left, the next archive does not start.
TEST(UnpackBounds, LeavingThePageStopsTheExtractionAndRemovesWhatItWrote) {
  Bounded u;
  CRunControl* control = CRunControl::create();
  ASSERT_NE(control, nullptr);
  u.run.control = control;
  std::thread leave([&] {
    while (!hasChildren(u.dest)) Sleep(1);
    control->cancel();
  });
  EXPECT_EQ(u.extract("big.cab"), kDownloadCancelled);
  leave.join();
  EXPECT_FALSE(fileExists(u.dest));
  EXPECT_EQ(u.extract("stored.zip"), kDownloadCancelled);
  EXPECT_FALSE(fileExists(u.dest));
  EXPECT_EQ(installLogLines(), std::vector<std::string>{}) << "the run notes its own end once";
  u.run.control = nullptr;
  control->release();
}
