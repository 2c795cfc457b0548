// GetTempSubdirectory: where the temporary directory comes from, the expansion of
// references in it, the short form, and the cases that give the empty text.
#include "base/temp_directory.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_folder.h"

namespace {

std::string tempSubdirectory(const char* name, bool create) {
  char output[kPathCapacity];
  const int length = GetTempSubdirectory(name, output, create);
  EXPECT_EQ(length, static_cast<int>(std::string(output).size()));
  return output;
}

// The call creates the folder, so it must run before the expected short form is read
// (the two sides of a comparison are evaluated in no fixed order).
void expectCreatedAt(const char* name, const std::string& expectedLongPath) {
  const std::string result = tempSubdirectory(name, true);
  EXPECT_EQ(result, shortPathOf(expectedLongPath));
}

}  // namespace

TEST(TempSubdirectory, TmpComesFirstThenTempThenTheCurrentDirectory) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "tmp").c_str(), nullptr);
  CreateDirectoryA((scratch / "temp").c_str(), nullptr);
  scratch.setVariable("TMP", (scratch / "tmp").c_str());
  scratch.setVariable("TEMP", (scratch / "temp").c_str());
  expectCreatedAt("Work", scratch / "tmp\\Work");

  scratch.setVariable("TMP", (scratch / "missing").c_str());
  expectCreatedAt("Work", scratch / "temp\\Work");

  scratch.setVariable("TMP", nullptr);
  scratch.setVariable("TEMP", (scratch / "missing").c_str());
  SetCurrentDirectoryA(scratch.path().c_str());
  expectCreatedAt("Work", scratch / "Work");
}

TEST(TempSubdirectory, ExistenceIsTestedBeforeExpansion) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "temp").c_str(), nullptr);
  scratch.setVariable("OSTREL_TEST_TMP", scratch.path().c_str());
  // Written literally, the reference names nothing that exists.
  scratch.setVariable("TMP", "%OSTREL_TEST_TMP%");
  scratch.setVariable("TEMP", (scratch / "temp").c_str());
  expectCreatedAt("Work", scratch / "temp\\Work");
}

TEST(TempSubdirectory, ReferencesAreExpandedUntilTheTextSettles) {
  ScratchFolder scratch;
  // A folder literally named after the reference passes the existence test; its text
  // then expands in two rounds to the real folder.
  CreateDirectoryA((scratch / "%OSTREL_TEST_A%").c_str(), nullptr);
  CreateDirectoryA((scratch / "real").c_str(), nullptr);
  SetCurrentDirectoryA(scratch.path().c_str());
  scratch.setVariable("OSTREL_TEST_A", "%OSTREL_TEST_B%");
  scratch.setVariable("OSTREL_TEST_B", (scratch / "real").c_str());
  scratch.setVariable("TMP", "%OSTREL_TEST_A%");
  expectCreatedAt("Work", scratch / "real\\Work");
}

TEST(TempSubdirectory, ReferencesThatNeverSettleEndTheExpansion) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "%OSTREL_TEST_A%").c_str(), nullptr);
  SetCurrentDirectoryA(scratch.path().c_str());
  scratch.setVariable("TMP", "%OSTREL_TEST_A%");

  // Grows by one letter each round until it no longer fits.
  scratch.setVariable("OSTREL_TEST_A", "x%OSTREL_TEST_A%");
  EXPECT_EQ(tempSubdirectory("Work", true), "");

  // Two references that name each other never settle either.
  scratch.setVariable("OSTREL_TEST_A", "%OSTREL_TEST_B%");
  scratch.setVariable("OSTREL_TEST_B", "%OSTREL_TEST_A%");
  EXPECT_EQ(tempSubdirectory("Work", true), "");
}

TEST(TempSubdirectory, ResultIsTheShortForm) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "A Long Temporary Folder").c_str(), nullptr);
  scratch.setVariable("TMP", (scratch / "A Long Temporary Folder").c_str());
  const std::string result = tempSubdirectory("Ostrel_client_install", true);
  EXPECT_EQ(result, shortPathOf(scratch / "A Long Temporary Folder\\Ostrel_client_install"));
  EXPECT_EQ(result.find(' '), std::string::npos);
  EXPECT_NE(result.find('~'), std::string::npos);
}

TEST(TempSubdirectory, UnusableDirectoriesGiveTheEmptyText) {
  ScratchFolder scratch;
  scratch.setVariable("TMP", scratch.path().c_str());
  EXPECT_EQ(tempSubdirectory("NotCreated", false), "");
  EXPECT_FALSE(isDirectory(scratch / "NotCreated"));

  CreateDirectoryA((scratch / "ReadOnly").c_str(), nullptr);
  ASSERT_TRUE(makeDirectoryReadOnly(scratch / "ReadOnly", true));
  EXPECT_EQ(tempSubdirectory("ReadOnly", true), "");

  // A temporary directory longer than the path buffer is refused, never overrun.
  const std::string deep = scratch / std::string(200, 'd');
  CreateDirectoryA(deep.c_str(), nullptr);
  scratch.setVariable("TMP", deep.c_str());
  EXPECT_EQ(tempSubdirectory(std::string(100, 'n').c_str(), true), "");
}

TEST(TempSubdirectory, ATrailingBackslashIsNotDoubled) {
  ScratchFolder scratch;
  scratch.setVariable("TMP", (scratch.path() + "\\").c_str());
  expectCreatedAt("Work", scratch / "Work");
}
