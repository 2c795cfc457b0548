// The choice of extractor by the archive name's extension.
#include "archive/extract_archive.h"

#include <gtest/gtest.h>

#include "archive_fixtures.h"

TEST(ExtractArchive, ZipAndCabInAnyCaseGoToTheirExtractors) {
  const std::string dest = scratchFolder() + "\\dest";
  Unpacking run;
  EXPECT_EQ(extractArchive(run, (dest + "\\zip").c_str(), fixture("Mixed.ZiP").c_str()), kDownloadOk);
  EXPECT_EQ(listTree(dest + "\\zip"), manifest("stored.zip"));
  EXPECT_EQ(extractArchive(run, (dest + "\\cab").c_str(), fixture("UPPER.CAB").c_str()), kDownloadOk);
  EXPECT_EQ(listTree(dest + "\\cab"), manifest("stored.cab"));
  EXPECT_EQ(extractArchive(run, dest.c_str(), fixture("text.cab").c_str()), kDownloadFilesIncomplete);
  EXPECT_EQ(extractArchive(run, dest.c_str(), fixture("missing.zip").c_str()), kDownloadFilesIncomplete);
}

// Each of these is a zip archive; "nodot.zip" exists too, so an attempt would succeed.
TEST(ExtractArchive, OtherNamesDoNothing) {
  const std::string dest = scratchFolder() + "\\dest";
  Unpacking run;
  for (const char* name : {"archive.txt", "nodot", "folder.zip\\archive"}) {
    EXPECT_EQ(extractArchive(run, dest.c_str(), fixture(name).c_str()), kDownloadOk) << name;
  }
  EXPECT_EQ(extractArchive(run, dest.c_str(), nullptr), kDownloadOk);
  EXPECT_FALSE(fileExists(dest));
}
