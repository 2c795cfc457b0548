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
