// Version blocks as the upload reports them: the first translation only, the keys in
// their order, only those with values; nothing for a file without a version resource.
#include "report/file_version_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "log/CTextBuffer.h"
#include "support/net_fixture.h"

namespace {

std::string versionLines(const std::string& path, const char* title) {
  CTextBuffer buffer;
  appendFileVersionInfo(buffer, path.c_str(), title);
  return buffer.text();
}

std::string ownPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

}  // namespace

TEST(FileVersionInfo, TheFirstTranslationIsReadInKeyOrder) {
  EXPECT_EQ(versionLines(ownPath(), "report_tests.exe"),
            "report_tests.exe Information\r\n"
            "  report_tests.exe version: 1.2.30.400\r\n"
            "  CompanyName: Test Company\r\n"
            "  FileVersion: 1.2.30.400\r\n"
            "  ProductVersion: 1.2\r\n"
            "  Comments: read under 040904b0\r\n");
}

TEST(FileVersionInfo, NoVersionResourceNoPathOrNoFileGiveNothing) {
  TestTree tree("version-info");
  EXPECT_EQ(versionLines(tree.write("plain.txt", "no resource here"), "plain.txt"), "");
  EXPECT_EQ(versionLines("", "empty"), "");
  EXPECT_EQ(versionLines(tree.path() + "\\missing.dll", "missing.dll"), "");
}
