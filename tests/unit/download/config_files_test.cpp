// The dated names of configuration files and the clean-up of older ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/config_files.h"
#include "log/CTextBuffer.h"
#include "plugin/CMyPlugin.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace {

std::string dateField(uint16 value, uint16 width) {
  CMyPlugin plugin;
  CTextBuffer buffer;
  appendDateField(&plugin, buffer, value, width);
  return buffer.text();
}

// Makes a configuration file whose last-write time is `minutes` after a fixed moment.
void makeFileWrittenAt(const std::string& path, int minutes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SYSTEMTIME moment{2005, 12, 2, 6, 9, 0, 0, 0};
  FILETIME time;
  SystemTimeToFileTime(&moment, &time);
  ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
  ticks.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000;
  time.dwLowDateTime = ticks.LowPart;
  time.dwHighDateTime = ticks.HighPart;
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

// Files named z00, z01, ... whose write times run the other way round: z00 is the newest.
std::vector<std::string> makeConfigFiles(const ScratchFolder& scratch, int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    char name[32];
    wsprintfA(name, "launch_z%02d.oscf", i);
    paths.push_back(scratch / name);
    makeFileWrittenAt(paths.back(), count - i);
  }
  return paths;
}

int cleanAndCountLeft(const ScratchFolder& scratch, const std::vector<std::string>& paths) {
  CMyPlugin plugin;
  cleanOlderConfigFiles(&plugin, (scratch / "launch*.oscf").c_str(), scratch.path().c_str());
  int left = 0;
  for (const std::string& path : paths) left += fileExists(path);
  return left;
}

}  // namespace

TEST(AppendDateField, PadsToTheWidthAndNeverCuts) {
  EXPECT_EQ(dateField(2005, 4), "_2005");
  EXPECT_EQ(dateField(3, 2), "_03");
  EXPECT_EQ(dateField(7, 3), "_007");
  EXPECT_EQ(dateField(42, 3), "_042");
  EXPECT_EQ(dateField(123, 2), "_123");
  EXPECT_EQ(dateField(5, 1), "_5");
  EXPECT_EQ(dateField(5, 0), "_5");
  EXPECT_EQ(dateField(1, 9), "_00001");  // five digits at the most
  EXPECT_EQ(dateField(65535, 2), "_65535");
}

TEST(CleanOlderConfigFiles, FourteenFilesAreAllKept) {
  ScratchFolder scratch;
  EXPECT_EQ(cleanAndCountLeft(scratch, makeConfigFiles(scratch, 14)), 14);
}

TEST(CleanOlderConfigFiles, FifteenLoseTheTwoOldestByWriteTimeNotByName) {
  ScratchFolder scratch;
  const std::vector<std::string> paths = makeConfigFiles(scratch, 15);
  EXPECT_EQ(cleanAndCountLeft(scratch, paths), 13);
  // The last names are the oldest files.
  EXPECT_FALSE(fileExists(paths[14]));
  EXPECT_FALSE(fileExists(paths[13]));
  EXPECT_TRUE(fileExists(paths[0]));
  EXPECT_TRUE(fileExists(paths[12]));
}

TEST(CleanOlderConfigFiles, TwentyLoseTheSevenOldest) {
  ScratchFolder scratch;
  const std::vector<std::string> paths = makeConfigFiles(scratch, 20);
  EXPECT_EQ(cleanAndCountLeft(scratch, paths), 13);
  for (int i = 13; i < 20; ++i) EXPECT_FALSE(fileExists(paths[i])) << i;
}

// Files of the last hour may belong to runs still going (a page with many embeds): the
// clean-up leaves them, and still deletes the old ones beyond the newest 13.
TEST(CleanOlderConfigFiles, FilesOfTheLastHourAreNeverDeleted) {
  ScratchFolder scratch;
  std::vector<std::string> paths = makeConfigFiles(scratch, 5);
  for (int i = 0; i < 20; ++i) {
    char name[32];
    wsprintfA(name, "launch_now%02d.oscf", i);
    paths.push_back(scratch / name);
    writeFile(paths.back(), "x");
  }
  EXPECT_EQ(cleanAndCountLeft(scratch, paths), 20);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(fileExists(paths[i])) << i;
}

TEST(CleanOlderConfigFiles, AFolderMatchingThePatternIsNeitherCountedNorDeleted) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "launch_folder.oscf").c_str(), nullptr);
  EXPECT_EQ(cleanAndCountLeft(scratch, makeConfigFiles(scratch, 14)), 14);
  EXPECT_TRUE(isDirectory(scratch / "launch_folder.oscf"));
}

TEST(CleanOlderConfigFiles, OtherFilesAndAnEmptyDirectoryAreLeftAlone) {
  ScratchFolder scratch;
  makeFileWrittenAt(scratch / "other.txt", 0);
  EXPECT_EQ(cleanAndCountLeft(scratch, {}), 0);
  EXPECT_TRUE(fileExists(scratch / "other.txt"));
}
