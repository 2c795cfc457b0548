// File-list entries: the split into URL, local name and paths, and every refusal with
// its log line.
#include "download/file_list_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/install_log_text.h"

namespace {

const char kWork[] = "C:\\TEMP\\OSTREL~1";

// "url | localName | directory | filePath" of an accepted entry.
std::string split(const std::string& entry, const char* work = kWork) {
  FileListEntry out;
  const FileListEntryCheck check = splitFileListEntry(entry.c_str(), work, out);
  EXPECT_EQ(check, FileListEntryCheck::kAccepted) << entry;
  return std::string(out.url) + " | " + out.localName + " | " + out.directory + " | " + out.filePath;
}

// The check of a refused entry, after making sure the entry left out empty and wrote one
// log line.
FileListEntryCheck refused(const char* entry, const char* work = kWork) {
  const std::string logBefore = installLogText();
  FileListEntry out;
  std::memset(&out, 'x', sizeof out);
  const FileListEntryCheck check = splitFileListEntry(entry, work, out);
  const std::string logged = installLogText().substr(logBefore.size());
  EXPECT_EQ(out.url[0] | out.localName[0] | out.directory[0] | out.filePath[0], 0) << entry;
  EXPECT_EQ(logged.rfind("File list entry refused, ", 0), 0u) << logged;
  EXPECT_EQ(logged.find("\r\n"), logged.size() - 2) << logged;
  return check;
}

}  // namespace

TEST(FileListEntry, SplitsAtTheFirstSemicolonAndNamesTheFileAfterTheLastSlash) {
  EXPECT_EQ(split("http://h/p/client.cab;pkg"),
            "http://h/p/client.cab | client.cab | C:\\TEMP\\OSTREL~1\\pkg | C:\\TEMP\\OSTREL~1\\pkg\\client.cab");
  EXPECT_EQ(split("http://h/a.zip;pkg\\sub/;x"),
            "http://h/a.zip | a.zip | C:\\TEMP\\OSTREL~1\\pkg\\sub/;x | C:\\TEMP\\OSTREL~1\\pkg\\sub/;x\\a.zip");
  EXPECT_EQ(split("a.zip;..pkg\\x"), "a.zip | a.zip | C:\\TEMP\\OSTREL~1\\..pkg\\x | C:\\TEMP\\OSTREL~1\\..pkg\\x\\a.zip");
}

// Windows drops the trailing dots and blanks of the names it creates: the local name and
// the directory's parts are taken so, as archive entry names are (the URL stays as given).
// A part that trims to nothing names no folder.
TEST(FileListEntry, NamesAreTakenAsWindowsWritesThem) {
  EXPECT_EQ(split("http://h/c.cab. ;pkg. \\sub ./x"),
            "http://h/c.cab.  | c.cab | C:\\TEMP\\OSTREL~1\\pkg\\sub/x | C:\\TEMP\\OSTREL~1\\pkg\\sub/x\\c.cab");
  for (const char* entry : {"h/c.cab;pkg\\.\\x", "h/c.cab;.", "h/c.cab;pkg/ /x", "h/c.cab; "})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kBlankDirectoryPart) << entry;
}

TEST(FileListEntry, WithoutADirectoryTheFileGoesIntoTheWorkDirectory) {
  const std::string expected = "http://h/c.cab | c.cab | C:\\TEMP\\OSTREL~1\\ | C:\\TEMP\\OSTREL~1\\c.cab";
  EXPECT_EQ(split("http://h/c.cab;"), expected);
  EXPECT_EQ(split("http://h/c.cab"), expected);
}

TEST(FileListEntry, RefusesDirectoriesThatLeaveTheWorkDirectory) {
  for (const char* entry : {"h/c.cab;\\pkg", "h/c.cab;/pkg", "h/c.cab;\\\\server\\share"})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kAbsoluteDirectory) << entry;
  for (const char* entry : {"h/c.cab;C:\\pkg", "h/c.cab;C:pkg", "h/c.cab;pkg:stream"})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kDriveInDirectory) << entry;
  for (const char* entry : {"h/c.cab;..", "h/c.cab;pkg\\..\\..", "h/c.cab;pkg/../x", "h/c.cab;...", "h/c.cab;a\\.. "})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kClimbingDirectory) << entry;
}

// Writing "into" a device would open it: a serial port can block the worker for good.
TEST(FileListEntry, RefusesFilesAndDirectoriesThatNameDevices) {
  for (const char* entry : {"h/c.cab;CON", "h/c.cab;pkg\\aux.txt\\x", "h/c.cab;pkg/com1", "h/c.cab;LPT9 .dir",
                            "http://h/NUL", "http://h/prn.cab;pkg", "http://h/conin$"})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kDeviceName) << entry;
  EXPECT_EQ(split("http://h/console.cab;com10\\lpt"),
            "http://h/console.cab | console.cab | C:\\TEMP\\OSTREL~1\\com10\\lpt | C:\\TEMP\\OSTREL~1\\com10\\lpt\\console.cab");
}

TEST(FileListEntry, RefusesUnusableNamesAndTextsThatDoNotFit) {
  for (const char* entry : {"http://h/dir/;pkg", ";pkg", "http://h/x\\..\\evil.dll", "http://h/..", "h/c:x"})
    EXPECT_EQ(refused(entry), FileListEntryCheck::kUnusableLocalName) << entry;
  EXPECT_EQ(refused(nullptr), FileListEntryCheck::kMissing);
  EXPECT_EQ(refused(""), FileListEntryCheck::kMissing);
  EXPECT_EQ(refused("h/c.cab;pkg", ""), FileListEntryCheck::kNoWorkDirectory);

  const std::string longest = "http://h/" + std::string(511 - 19, 'u') + "/c.cab;pkg";
  ASSERT_EQ(longest.size(), 511u);
  split(longest);
  EXPECT_EQ(refused((longest + "x").c_str()), FileListEntryCheck::kTooLong);

  // The file's path may take 259 characters, one more is refused.
  const std::string directory(259 - std::strlen(kWork) - 1 - 6, 'd');
  split("h/c.cab;" + directory);
  EXPECT_EQ(refused(("h/c.cab;" + directory + "d").c_str()), FileListEntryCheck::kPathTooLong);
}
