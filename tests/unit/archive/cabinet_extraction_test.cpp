// Cabinet extraction: folders, recorded times and attributes, the file left out, names
// as Windows writes them, refused names, and failures.
#include "archive/cabinet_extraction.h"

#include <gtest/gtest.h>

#include <thread>

#include "archive_fixtures.h"
#include "log/install_log.h"

namespace {

struct Unpacked : ScratchDestination {
  using ScratchDestination::ScratchDestination;
  DownloadResult extract(const std::string& archive) {
    return extractCabinet(run, dest.c_str(), fixture(archive).c_str());
  }
};

SYSTEMTIME localWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  FILETIME local;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  SYSTEMTIME time = {};
  FileTimeToSystemTime(&local, &time);
  return time;
}

}  // namespace

TEST(CabinetExtraction, UnpacksStoredAndCompressedIntoCreatedFolders) {
  for (const char* archive : {"stored.cab", "mszip.cab"}) {
    Unpacked u(archive);
    EXPECT_EQ(u.extract(archive), kDownloadOk) << archive;
    EXPECT_EQ(listTree(u.dest), manifest(archive)) << archive << ": Package.Properties left out";
  }
}

TEST(CabinetExtraction, TrailingBackslashMakesNoDifference) {
  Unpacked u;
  EXPECT_EQ(extractCabinet(u.run, (u.dest + "\\").c_str(), fixture("stored.cab").c_str()), kDownloadOk);
  EXPECT_EQ(listTree(u.dest), manifest("stored.cab"));
}

TEST(CabinetExtraction, ReplacesLongerAndHiddenExistingFiles) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  const std::string top = u.dest + "\\top.txt";
  writeFile(top, std::string(5000, 'x'));
  SetFileAttributesA(top.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(u.extract("stored.cab"), kDownloadOk);
  EXPECT_EQ(listTree(u.dest), manifest("stored.cab"));
  EXPECT_EQ(GetFileAttributesA(top.c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE}) << "as recorded";
}

// The cabinet records 2009-06-15 13:45:30 local time; the tests run in a zone away from UTC.
TEST(CabinetExtraction, AppliesRecordedTimeAndAttributes) {
  Unpacked u;
  ASSERT_EQ(u.extract("stamped.cab"), kDownloadOk);
  const SYSTEMTIME t = localWriteTime(u.dest + "\\stamped.txt");
  EXPECT_EQ((std::vector<int>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
            (std::vector<int>{2009, 6, 15, 13, 45, 30}));
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(GetFileAttributesA((u.dest + "\\stamped.txt").c_str()) & (kept | 0x40), kept);
  EXPECT_EQ(GetFileAttributesA((u.dest + "\\readonly.txt").c_str()) & (kept & ~FILE_ATTRIBUTE_ARCHIVE),
            DWORD{FILE_ATTRIBUTE_READONLY}) << "the system may add the archive bit";
  EXPECT_FALSE(fileExists(u.dest + "\\PACKAGE.properties"));
  EXPECT_EQ(readFile(u.dest + "\\sub\\Package.Properties"), "kept") << "only the top-level name is left out";
}

// A target that may not be replaced stops the cabinet at that file, and the extraction
// fails. A folder of the target's name stands for it: a read-only file would do under
// Windows, but Wine lets root write one. The file before it is complete, attributes
// included; the folder is left as it was, and nothing after it is written.
TEST(CabinetExtraction, TargetThatCannotBeReplacedStopsTheExtraction) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  const std::string blocked = u.dest + "\\readonly.txt";
  CreateDirectoryA(blocked.c_str(), nullptr);
  writeFile(blocked + "\\inside.txt", "inside");
  EXPECT_EQ(u.extract("stamped.cab"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(u.dest + "\\stamped.txt"), "stamped");
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(GetFileAttributesA((u.dest + "\\stamped.txt").c_str()) & kept, kept);
  EXPECT_EQ(readFile(blocked + "\\inside.txt"), "inside");
  EXPECT_FALSE(fileExists(u.dest + "\\sub"));
}

TEST(CabinetExtraction, TargetInUseStopsTheExtraction) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  HeldFile busy(u.dest + "\\top.txt");
  EXPECT_EQ(u.extract("stored.cab"), kDownloadFilesIncomplete);
  EXPECT_TRUE(fileExists(u.dest + "\\lib\\sub\\a.dll")) << "written before the failure";
}

TEST(CabinetExtraction, NotACabinetCreatesNothing) {
  Unpacked u;
  for (const char* unusable : {"text.cab", "missing.cab", "stored.zip"}) {
    EXPECT_EQ(u.extract(unusable), kDownloadFilesIncomplete) << unusable;
  }
  EXPECT_FALSE(fileExists(u.dest));
  EXPECT_EQ(extractCabinet(u.run, "", fixture("stored.cab").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(extractCabinet(u.run, u.dest.c_str(), nullptr), kDownloadFilesIncomplete);
}

// Files whose names would leave the destination or name a device are skipped, the rest
// unpacked, and the extraction reported as failed.
TEST(CabinetExtraction, NamesReachingOutsideAreSkipped) {
  Unpacked u;
  EXPECT_EQ(u.extract("climbing.cab"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(u.dest + "\\ok.txt"), "ok");
  EXPECT_EQ(readFile(u.dest + "\\after.txt"), "after");
  EXPECT_EQ(listTree(u.outside).size(), 3u) << "only dest and the two contained files";
  EXPECT_FALSE(fileExists("Z:\\abs.txt"));
  EXPECT_FALSE(fileExists("C:drive.txt"));
}

// Windows drops trailing dots and blanks from the names it creates: the names are taken
// so before any check ("package.properties." is the package list, left out and named),
// and "/" makes folders as "\" does, also in a destination that does not exist yet.
TEST(CabinetExtraction, NamesAreTakenAsWindowsWritesThem) {
  Unpacked u;
  releaseInstallLog();
  EXPECT_EQ(u.extract("trimmed.cab"), kDownloadOk);
  EXPECT_EQ(listTree(u.dest), manifest("trimmed.cab"));
  EXPECT_EQ(installLogLines(), std::vector<std::string>{
                                   "Archive entry left out, a cabinet's package list is never unpacked: "
                                   "package.properties."});
}

// A part that trims to nothing names no folder: the file is refused, named, and the rest
// unpacked.
TEST(CabinetExtraction, NamesWithAPartOfDotsAndBlanksOnlyAreRefused) {
  Unpacked u;
  releaseInstallLog();
  EXPECT_EQ(u.extract("blank_parts.cab"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(u.dest + "\\ok.txt"), "ok");
  EXPECT_EQ(readFile(u.dest + "\\after.txt"), "after");
  EXPECT_EQ(listTree(u.outside).size(), 3u) << "only dest and the two good files";
  EXPECT_EQ(installLogLines(), (std::vector<std::string>{std::string(kRefusedNameLine) + "./dot.txt",
                                                         std::string(kRefusedNameLine) + "a/ /b.txt",
                                                         std::string(kRefusedNameLine) + "CON."}));
}

TEST(CabinetExtraction, TargetsThatDoNotFitAPathBufferAreSkipped) {
  Unpacked u;
  const std::string dest = u.ofLength(200);
  EXPECT_EQ(extractCabinet(u.run, dest.c_str(), fixture("boundary.cab").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(dest + "\\" + std::string(58, 'a')), "fits");
  EXPECT_FALSE(fileExists(dest + "\\" + std::string(59, 'b')));
  EXPECT_EQ(extractCabinet(u.run, (dest + std::string(60, 'q')).c_str(), fixture("stored.cab").c_str()),
            kDownloadFilesIncomplete);
}

// About 100 MB in some 450 files; the reference is cabextract's output.
TEST(CabinetExtraction, LargeCabinetUnpacksByteIdentical) {
  Unpacked u;
  EXPECT_EQ(u.extract("big.cab"), kDownloadOk);
  EXPECT_EQ(listTree(u.dest), manifest("big.cab"));
}

TEST(CabinetExtraction, ParallelExtractionsKeepTheirOwnData) {
  Unpacked a("a");
  Unpacked b("b");
  DownloadResult resultB = kDownloadFault;
  std::thread other([&] { resultB = b.extract("parallel_b.cab"); });
  EXPECT_EQ(a.extract("parallel_a.cab"), kDownloadOk);
  other.join();
  EXPECT_EQ(resultB, kDownloadOk);
  EXPECT_EQ(listTree(a.dest), manifest("parallel_a.cab"));
  EXPECT_EQ(listTree(b.dest), manifest("parallel_b.cab"));
}
