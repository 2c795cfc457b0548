// The containment rule for archive names, bounded appends, and folder creation.
#include "archive/archive_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/make_directories.h"
#include "archive_fixtures.h"

TEST(ArchivePaths, NamesStayInsideTheDestination) {
  for (const char* name : {"a.txt", "dir/a.txt", "dir\\sub\\", "a..b", "..a", "./a", "dir/.hidden", " /a", ""}) {
    EXPECT_TRUE(isContainedEntryName(name)) << name;
  }
  for (const char* name : {"..", "../a", "a/../b", "a\\..\\..\\b", "a/..", "/a", "\\a", "\\\\server\\share\\a",
                           "C:a", "C:\\a", "a:stream", "a/.. /b", "a\\. .\\b", "...", ".. "}) {
    EXPECT_FALSE(isContainedEntryName(name)) << name;
  }
}

TEST(ArchivePaths, AppendsRefuseWhatDoesNotFit) {
  char path[kPathCapacity] = "C:";
  EXPECT_TRUE(appendSeparator(path, sizeof path));
  EXPECT_TRUE(appendSeparator(path, sizeof path));
  EXPECT_STREQ(path, "C:\\");
  const std::string filler(kPathCapacity - 4, 'f');
  EXPECT_FALSE(appendPathText(path, sizeof path, (filler + "g").c_str()));
  EXPECT_STREQ(path, "C:\\");
  EXPECT_TRUE(appendPathText(path, sizeof path, filler.c_str()));
  EXPECT_EQ(std::string(path).size(), kPathCapacity - 1);
  EXPECT_FALSE(appendSeparator(path, sizeof path));
}

TEST(MakeDirectories, CreatesEveryMissingFolder) {
  const std::string root = scratchFolder();
  EXPECT_EQ(makeDirectories((root + "\\a\\b/c\\d/").c_str()), 1);
  EXPECT_EQ(listTree(root), (std::vector<std::string>{"D a", "D a\\b", "D a\\b\\c", "D a\\b\\c\\d"}));
  EXPECT_EQ(makeDirectories(root.c_str()), 1);
  EXPECT_EQ(makeDirectories("no-separator-here"), 0);
  EXPECT_EQ(makeDirectories((root + "\\" + std::string(kPathCapacity, 'x') + "\\y").c_str()), 0);
  EXPECT_EQ(listTree(root).size(), 4u);
}
