// Zip extraction: where entries land, which names count, and what stops an extraction.
#include "archive/zip_extraction.h"

#include <gtest/gtest.h>

#include <thread>

#include "archive_fixtures.h"
#include "log/install_log.h"

namespace {

struct Unpacked : ScratchDestination {
  using ScratchDestination::ScratchDestination;
  DownloadResult extract(const std::string& archive) { return extractZip(run, dest.c_str(), fixture(archive).c_str()); }
};

}  // namespace

TEST(ZipExtraction, WritesEveryKindOfEntryAsRecorded) {
  for (const char* archive : {"folders.zip", "stored.zip", "deflated.zip"}) {
    Unpacked u(archive);
    EXPECT_EQ(u.extract(archive), kDownloadOk) << archive;
    EXPECT_EQ(listTree(u.dest), manifest(archive)) << archive;
  }
}

TEST(ZipExtraction, ReplacesTargetsAndGivesThemTheTimeOfWriting) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  writeFile(u.dest + "\\one.txt", std::string(100000, 'x'));
  ASSERT_EQ(u.extract("stored.zip"), kDownloadOk);
  EXPECT_EQ(listTree(u.dest), manifest("stored.zip"));

  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA((u.dest + "\\one.txt").c_str(), GetFileExInfoStandard, &data));
  SYSTEMTIME written;
  FileTimeToSystemTime(&data.ftLastWriteTime, &written);
  EXPECT_GT(written.wYear, 1999) << "the archive records 1999";
}

TEST(ZipExtraction, DirectoryExtraFieldNamesTheEntry) {
  Unpacked u;
  ASSERT_EQ(u.extract("extra_named.zip"), kDownloadOk);
  EXPECT_EQ(readFile(u.dest + "\\renamed.txt"), "named by its extra field");
  EXPECT_EQ(readFile(u.dest + "\\local.txt"), "only the local header has a name");
  EXPECT_EQ(readFile(u.dest + "\\plain.txt"), "no extra field");
  EXPECT_FALSE(fileExists(u.dest + "\\recorded.txt"));
}

TEST(ZipExtraction, EmptyArchiveCreatesNothing) {
  Unpacked u;
  EXPECT_EQ(u.extract("empty.zip"), kDownloadOk);
  EXPECT_FALSE(fileExists(u.dest));
}

TEST(ZipExtraction, OpensWithZipAppendedOrFailsCreatingNothing) {
  Unpacked found("found");
  EXPECT_EQ(found.extract("retry"), kDownloadOk);
  EXPECT_EQ(listTree(found.dest), manifest("retry.zip"));

  Unpacked u;
  for (const char* unusable : {"missing", "text.cab"}) {
    EXPECT_EQ(u.extract(unusable), kDownloadFilesIncomplete) << unusable;
  }
  EXPECT_FALSE(fileExists(u.dest));
  EXPECT_EQ(extractZip(u.run, "", fixture("retry.zip").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(extractZip(u.run, u.dest.c_str(), nullptr), kDownloadFilesIncomplete);
}

TEST(ZipExtraction, TargetInUseStopsWithEarlierEntriesKept) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  HeldFile busy(u.dest + "\\second.txt");
  EXPECT_EQ(u.extract("ordered.zip"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(u.dest + "\\first.txt"), "1");
  EXPECT_FALSE(fileExists(u.dest + "\\third.txt"));
}

// A folder of the target's name stands for a target that may not be replaced: Wine lets
// root write a read-only file.
TEST(ZipExtraction, TargetThatCannotBeReplacedStopsWithEarlierEntriesKept) {
  Unpacked u;
  CreateDirectoryA(u.dest.c_str(), nullptr);
  const std::string blocked = u.dest + "\\second.txt";
  CreateDirectoryA(blocked.c_str(), nullptr);
  writeFile(blocked + "\\inside.txt", "old");
  EXPECT_EQ(u.extract("ordered.zip"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(u.dest + "\\first.txt"), "1");
  EXPECT_EQ(readFile(blocked + "\\inside.txt"), "old");
  EXPECT_FALSE(fileExists(u.dest + "\\third.txt"));
}

TEST(ZipExtraction, DamagedEntryFailsTheExtraction) {
  for (const char* archive : {"bad_crc.zip", "garbled.zip"}) {
    Unpacked u(archive);
    EXPECT_EQ(u.extract(archive), kDownloadFilesIncomplete) << archive;
    EXPECT_EQ(readFile(u.dest + "\\good.txt"), "good") << archive;
    EXPECT_FALSE(fileExists(u.dest + "\\after.txt")) << archive;
  }
}

// Names that are absolute, carry a drive, climb with ".." or name a device fail their
// entry and write nothing outside the destination.
TEST(ZipExtraction, NamesReachingOutsideAreRefused) {
  for (int i = 0; i < 10; ++i) {
    const std::string archive = "climbing" + std::to_string(i) + ".zip";
    Unpacked u(archive);
    EXPECT_EQ(u.extract(archive), kDownloadFilesIncomplete) << archive;
    EXPECT_EQ(readFile(u.dest + "\\ok.txt"), "ok") << archive;
    EXPECT_EQ(listTree(u.outside).size(), 2u) << archive << ": only dest and dest\\ok.txt";
  }
  EXPECT_FALSE(fileExists("Z:\\abs.txt"));
  EXPECT_FALSE(fileExists("C:drive.txt"));
}

// Trailing dots and blanks go from every part, as Windows drops them; a part that trims
// to nothing fails its entry, which is named.
TEST(ZipExtraction, NamesAreTakenAsWindowsWritesThem) {
  Unpacked trimmed("trimmed");
  EXPECT_EQ(trimmed.extract("trimmed.zip"), kDownloadOk);
  EXPECT_EQ(listTree(trimmed.dest), manifest("trimmed.zip"));

  Unpacked blank("blank");
  releaseInstallLog();
  EXPECT_EQ(blank.extract("blank_part.zip"), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(blank.dest + "\\ok.txt"), "ok");
  EXPECT_EQ(listTree(blank.outside).size(), 2u) << "only dest and dest\\ok.txt";
  EXPECT_EQ(installLogLines(), std::vector<std::string>{std::string(kRefusedNameLine) + "a/ /b.txt"});
}

// A destination of 200 characters leaves room for a name of 58: 200 + "\" + 58 = 259.
TEST(ZipExtraction, TargetsThatDoNotFitAPathBufferAreRefused) {
  Unpacked u;
  const std::string dest = u.ofLength(200);
  EXPECT_EQ(extractZip(u.run, dest.c_str(), fixture("boundary.zip").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(readFile(dest + "\\" + std::string(58, 'a')), "fits");
  EXPECT_FALSE(fileExists(dest + "\\" + std::string(59, 'b')));

  for (const char* archive : {"long_folder.zip", "huge_name.zip"}) {
    EXPECT_EQ(u.extract(archive), kDownloadFilesIncomplete) << archive;
  }
  EXPECT_EQ(listTree(u.dest), std::vector<std::string>{});
}

// Data that cannot reach the disk fails the entry, also when only the final flush fails.
TEST(ZipExtraction, FailedWritesAreReported) {
  HANDLE full = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (full == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no /dev/full";
  CloseHandle(full);
  Unpacking run;
  EXPECT_EQ(extractZip(run, "Z:\\dev", fixture("full_small.zip").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(extractZip(run, "Z:\\dev", fixture("full_large.zip").c_str()), kDownloadFilesIncomplete);
}

// Two instances may unpack at the same time; neither may see the other's data.
TEST(ZipExtraction, ParallelExtractionsKeepTheirOwnData) {
  Unpacked a("a");
  Unpacked b("b");
  for (int round = 0; round < 3; ++round) {
    DownloadResult resultA = kDownloadFault;
    DownloadResult resultB = kDownloadFault;
    std::thread other([&] { resultB = b.extract("parallel_b.zip"); });
    resultA = a.extract("parallel_a.zip");
    other.join();
    EXPECT_EQ(resultA, kDownloadOk);
    EXPECT_EQ(resultB, kDownloadOk);
  }
  EXPECT_EQ(listTree(a.dest), manifest("parallel_a.zip"));
  EXPECT_EQ(listTree(b.dest), manifest("parallel_b.zip"));
}
