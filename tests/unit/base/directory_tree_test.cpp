// Folder creation (makeDirectories and createDirectoryTree over it) and parentDirectory.
#include "base/directory_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "base/host_services.h"
#include "base/make_directories.h"
#include "base/path_text.h"
#include "support/scratch_folder.h"

namespace {

std::string parentOf(const char* path) {
  char* parent = parentDirectory(path);
  std::string text = parent;
  NPN_MemFree(parent);
  return text;
}

}  // namespace

TEST(ParentDirectory, CutsAtTheLastBackslashButNotTheFirstCharacter) {
  EXPECT_EQ(parentOf("C:\\a\\b"), "C:\\a");
  EXPECT_EQ(parentOf("C:\\a"), "C:");
  EXPECT_EQ(parentOf("C:\\a\\"), "C:\\a");
  EXPECT_EQ(parentOf("\\a"), "");
  EXPECT_EQ(parentOf("name"), "");
  EXPECT_EQ(parentOf(""), "");
  EXPECT_EQ(parentOf("\\\\server\\share"), "\\\\server");
}

TEST(CreateDirectoryTree, CreatesEveryMissingLevel) {
  ScratchFolder scratch;
  const std::string deepest = scratch / "one\\two\\three";
  createDirectoryTree(deepest.c_str());
  EXPECT_TRUE(isDirectory(scratch / "one"));
  EXPECT_TRUE(isDirectory(scratch / "one\\two"));
  EXPECT_TRUE(isDirectory(deepest));
}

TEST(CreateDirectoryTree, LeavesAnExistingDirectoryAsItIs) {
  ScratchFolder scratch;
  const std::string file = scratch / "kept.txt";
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CloseHandle(handle);
  createDirectoryTree(scratch.path().c_str());
  EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(CreateDirectoryTree, GivesUpWhereNoParentCanBeMade) {
  ScratchFolder scratch;
  SetCurrentDirectoryA(scratch.path().c_str());
  // Each of these climbs to the root or an empty parent and stops there.
  createDirectoryTree("");
  createDirectoryTree("single");
  EXPECT_TRUE(isDirectory(scratch / "single"));
  createDirectoryTree("Q:\\not\\a\\mapped\\drive");
  EXPECT_FALSE(isDirectory("Q:\\not"));
  createDirectoryTree("\\\\nohost\\noshare\\folder");
}

TEST(MakeDirectories, CreatesEveryMissingFolderWhicheverSeparatorIsUsed) {
  ScratchFolder scratch;
  EXPECT_EQ(makeDirectories((scratch / "a\\b/c\\d/").c_str()), kDownloadOk);
  EXPECT_TRUE(isDirectory(scratch / "a\\b\\c\\d"));
  EXPECT_EQ(makeDirectories(scratch.path().c_str()), kDownloadOk);
  EXPECT_EQ(makeDirectories("no-separator-here"), kDownloadNoDirectory);
  EXPECT_FALSE(isDirectory("no-separator-here"));
}

TEST(MakeDirectories, APathThatDoesNotFitCreatesNothing) {
  ScratchFolder scratch;
  const std::string tooLong = scratch / (std::string("x\\") + std::string(kPathCapacity, 'y'));
  EXPECT_EQ(makeDirectories(tooLong.c_str()), kDownloadNoDirectory);
  EXPECT_FALSE(isDirectory(scratch / "x"));
  createDirectoryTree(tooLong.c_str());
  EXPECT_FALSE(isDirectory(scratch / "x"));
}
