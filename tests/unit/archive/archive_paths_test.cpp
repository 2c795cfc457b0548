// The containment rule for archive names.
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
