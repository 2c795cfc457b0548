// The containment rule for archive names, and names as Windows writes them.
#include "archive/archive_paths.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(ArchivePaths, DeviceNamesAreRefusedInAnyFolderWithAnyExtension) {
  for (const char* name : {"AUX.txt", "COM1", "nul", "CON", "prn.log", "LPT1", "lpt9.x.y", "dir/Aux.txt",
                           "bin\\com3\\a.dll", "con .txt", "conout$", "a/NUL"}) {
    EXPECT_FALSE(isContainedEntryName(name)) << name;
  }
  // Names that only begin like a device are files like any other.
  for (const char* name : {"console.txt", "com10", "com0", "lpt", "auxiliary.dll", "nul_", "bin/connect.exe",
                           "a.con", "prnt"}) {
    EXPECT_TRUE(isContainedEntryName(name)) << name;
  }
}

namespace {

std::string written(const char* recorded) {
  char out[32];
  return entryNameAsWritten(recorded, out, sizeof out) ? out : "<refused>";
}

}  // namespace

TEST(ArchivePaths, NamesAreWrittenTrimmedWithBackslashes) {
  EXPECT_EQ(written("package.properties."), "package.properties");
  EXPECT_EQ(written("dir. /x"), "dir\\x");
  EXPECT_EQ(written("a/b\\c. . "), "a\\b\\c");
  EXPECT_EQ(written("dir. /"), "dir\\") << "a folder entry keeps its end";
  EXPECT_EQ(written(" lead/a..b"), " lead\\a..b") << "only trailing dots and blanks go";
  EXPECT_EQ(written("a//b"), "a\\\\b") << "an empty part is no part of dots and blanks";
  // Parts that trim to nothing, and names that trimming turns into a device or leaves
  // climbing or absolute.
  for (const char* name : {"./a", "a/ /b", "a/. ./b", "a/...", "CON.", "com1 ", "nul .txt", "/a.", "C:a "}) {
    EXPECT_EQ(written(name), "<refused>") << name;
  }
  char small[4];
  EXPECT_FALSE(entryNameAsWritten("abcd", small, sizeof small));
}
