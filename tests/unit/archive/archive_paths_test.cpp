// The containment rule for archive names, and folder creation.
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

TEST(MakeDirectories, CreatesEveryMissingFolder) {
  const std::string root = scratchFolder();
  EXPECT_EQ(makeDirectories((root + "\\a\\b/c\\d/").c_str()), 1);
  EXPECT_EQ(listTree(root), (std::vector<std::string>{"D a", "D a\\b", "D a\\b\\c", "D a\\b\\c\\d"}));
  EXPECT_EQ(makeDirectories(root.c_str()), 1);
  EXPECT_EQ(makeDirectories("no-separator-here"), 0);
  EXPECT_EQ(makeDirectories((root + "\\" + std::string(kPathCapacity, 'x') + "\\y").c_str()), 0);
  EXPECT_EQ(listTree(root).size(), 4u);
}
