// CFileVersion: version texts, the tokenizer's own state per caller, the comparison, and
// versions read from real version resources.
#include "download/CFileVersion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "support/scratch_folder.h"
#include "version_folders.h"

namespace {

std::string dotted(const CFileVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build) +
         "." + std::to_string(v.revision);
}

std::string parsed(const char* text) {
  CFileVersion version;
  version.parseVersionText("9,9,9,9", ",");
  version.parseVersionText(text, ",");
  return dotted(version);
}

}  // namespace

TEST(CFileVersion, ReadsUpToFourTokensAsAtoiKeptTo16Bits) {
  EXPECT_EQ(parsed("7,5,0,123"), "7.5.0.123");
  EXPECT_EQ(parsed("7,5,123"), "7.5.0.123");  // three numbers: the third is the revision
  EXPECT_EQ(parsed("7,6"), "7.6.0.0");
  EXPECT_EQ(parsed("7"), "7.0.0.0");
  EXPECT_EQ(parsed(""), "0.0.0.0");
  EXPECT_EQ(parsed(nullptr), "0.0.0.0");
  EXPECT_EQ(parsed("1,,2"), "1.2.0.0");  // no empty tokens
  EXPECT_EQ(parsed(",,1,2,3,4,5"), "1.2.3.4");
  EXPECT_EQ(parsed("65536,65537,-1,99999999999"), "0.1.65535.65535");
  EXPECT_EQ(parsed(" 7, +5,x,12abc"), "7.5.0.12");
}

TEST(CFileVersion, TokenizerKeepsItsPlaceWithTheCaller) {
  char first[] = ",1,,22";
  char second[] = "a.b c";
  char* firstPlace = nullptr;
  char* secondPlace = nullptr;
  EXPECT_STREQ(nextVersionToken(first, ",", &firstPlace), "1");
  EXPECT_STREQ(nextVersionToken(second, ". ", &secondPlace), "a");
  EXPECT_STREQ(nextVersionToken(nullptr, ",", &firstPlace), "22");
  EXPECT_STREQ(nextVersionToken(nullptr, ". ", &secondPlace), "b");
  EXPECT_EQ(nextVersionToken(nullptr, ",", &firstPlace), nullptr);
  EXPECT_EQ(nextVersionToken(nullptr, ",", &firstPlace), nullptr);
  EXPECT_STREQ(nextVersionToken(nullptr, ". ", &secondPlace), "c");
  EXPECT_EQ(std::memcmp(first, "\0" "1\0\0" "22", 6), 0);  // separators overwritten
}

TEST(CFileVersion, ParsesCorrectlyOnTwoThreadsAtOnce) {
  auto parseMany = [](const char* text, const char* expected, int* wrong) {
    for (int i = 0; i < 20000; ++i)
      if (parsed(text) != expected) ++*wrong;
  };
  int wrongFirst = 0;
  int wrongSecond = 0;
  std::thread first(parseMany, "1,2,3,4", "1.2.3.4", &wrongFirst);
  std::thread second(parseMany, ",,10,,20,,30,,40,,", "10.20.30.40", &wrongSecond);
  first.join();
  second.join();
  EXPECT_EQ(wrongFirst, 0);
  EXPECT_EQ(wrongSecond, 0);
}

TEST(CFileVersion, IsNewerOnlyWhenStrictlyGreaterNumberByNumber) {
  struct Row {
    const char* listed;
    const char* installed;
    bool newer;
  };
  for (const Row& row : {Row{"7,5,0,124", "7,5,0,123", true}, Row{"7,5,0,123", "7,5,0,123", false},
                         Row{"7,6", "7,5,9,9", true}, Row{"7,5,123", "7,5,0,122", true},
                         Row{"7,5,123", "7,5,1,0", false}, Row{"", "", false},
                         Row{"65535", "1", true}, Row{"1,65535", "2", false}}) {
    CFileVersion listed;
    CFileVersion installed;
    listed.parseVersionText(row.listed, ",");
    installed.parseVersionText(row.installed, ",");
    EXPECT_EQ(listed.isNewerThan(installed), row.newer) << row.listed << " against " << row.installed;
  }
}

TEST(CFileVersion, ReadsTheFileVersionOfAnInstalledFile) {
  CFileVersion version;
  EXPECT_TRUE(version.readFileVersion((versionFolder("current") + "\\core.dll").c_str()));
  EXPECT_EQ(dotted(version), "7.5.0.123");

  ScratchFolder folder;
  std::ofstream(folder / "plain.dll") << "no version here";
  for (const std::string& name : {folder / "plain.dll", folder / "missing.dll"}) {
    version.parseVersionText("1,2,3,4", ",");
    EXPECT_FALSE(version.readFileVersion(name.c_str())) << name;
    EXPECT_EQ(dotted(version), "0.0.0.0");
  }
}
