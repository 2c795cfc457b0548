// File downloads over Wine's WinInet against the fixture server: every result with its
// log lines, what is left on disk, cut and short bodies, and the progress messages.
#include "net/file_download.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <thread>

#include "log/install_log.h"
#include "plugin/run_values.h"
#include "support/armed_fault.h"
#include "support/message_box_watcher.h"
#include "support/net_fixture.h"
#include "support/test_browser.h"
#include "support/test_files.h"

namespace {

std::string currentDirectory() {
  char path[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof path, path);
  return path;
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    releaseInstallLog();
    m_agent = TestBrowser::instance().userAgent();
    TestBrowser::instance().setUserAgent("Mozilla/4.79 [en] (Windows NT 5.0; U)");
    m_instance.openSession();
    m_instance.attachProgressDialog();
    m_startDirectory = currentDirectory();
  }
  void TearDown() override {
    EXPECT_EQ(currentDirectory(), m_startDirectory);
    TestBrowser::instance().setUserAgent(m_agent);
    releaseInstallLog();
  }

  int download(const std::string& pathAndQuery, uint32_t expectedSize, const char* localName = "file.bin") {
    m_url = FixtureServer::instance().httpUrl(pathAndQuery);
    return DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), expectedSize, localName).code;
  }
  std::string target(const char* name = "file.bin") const { return m_folder.path() + "\\" + name; }

  TestTree m_folder{"download"};
  TestInstance m_instance;
  std::string m_url;

 private:
  char m_languageName[8] = {};
  ScopedRegistryValue m_language{HKEY_CLASSES_ROOT, "MIME\\Database\\Rfc1766",
                                 (std::snprintf(m_languageName, sizeof m_languageName, "%04x",
                                                static_cast<unsigned>(GetUserDefaultLangID())),
                                  m_languageName),
                                 "en-gb;English (United Kingdom)"};
  std::string m_agent;
  std::string m_startDirectory;
};

}  // namespace

TEST_F(Download, AFileOfKnownSizeIsWrittenWholeWithTheLanguageHeader) {
  const std::string path = uniquePath("whole");
  EXPECT_EQ(download(path + "?size=40000", 40000), kDownloadOk);
  EXPECT_EQ(readFile(target()), fixtureBody(40000));
  EXPECT_EQ(installLogText(), "");
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find("\"accept-language\": \"en-gb\""), std::string::npos) << seen[0];
}

TEST_F(Download, ALongerBodyIsCutAndAShorterOneStillSucceeds) {
  EXPECT_EQ(download(uniquePath("long") + "?size=5000", 3000), kDownloadOk);
  EXPECT_EQ(readFile(target()), fixtureBody(3000));
  EXPECT_EQ(download(uniquePath("short") + "?size=2000", 3000), kDownloadOk);
  EXPECT_EQ(readFile(target()), fixtureBody(2000));
}

TEST_F(Download, TheNameComesFromTheUrlAndParentsAreCreated) {
  const std::string nested = m_folder.path() + "\\a\\b";
  m_url = FixtureServer::instance().httpUrl(uniquePath("named") + "/client.cab");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), nested.c_str(), 0, nullptr).code, kDownloadOk);
  EXPECT_TRUE(fileExists(nested + "\\client.cab"));
  EXPECT_EQ(readFile(nested + "\\client.cab"), "");
}

TEST_F(Download, UnknownSizeFollowsTheContentLength) {
  m_instance.plugin.m_progress.setTotal(-1);
  EXPECT_EQ(download(uniquePath("config") + "?size=2500", kUnknownSize), kDownloadOk);
  EXPECT_EQ(readFile(target()), fixtureBody(2500));
  EXPECT_EQ(m_instance.plugin.m_progress.total(), 2500);
  ASSERT_FALSE(m_instance.positions().empty());
  EXPECT_EQ(m_instance.positions().back(), 100);
}

TEST_F(Download, UnknownSizeWithoutContentLengthIsReadToItsEnd) {
  EXPECT_EQ(download(uniquePath("no-length") + "?size=25000&length=none", kUnknownSize), kDownloadOk);
  EXPECT_EQ(readFile(target()), fixtureBody(25000));
  EXPECT_EQ(m_instance.plugin.m_progress.total(), kUnknownSizeEstimate);
  const std::vector<int>& positions = m_instance.positions();
  ASSERT_FALSE(positions.empty());
  EXPECT_LE(positions.size(), 101u);
  for (size_t i = 1; i + 1 < positions.size(); ++i) EXPECT_LT(positions[i - 1], positions[i]);
  EXPECT_EQ(positions.back(), 100);
}

TEST_F(Download, ProgressSpansTwoFilesAndIsSentOnlyWhenItGrows) {
  m_instance.plugin.m_progress.setTotal(200000);
  EXPECT_EQ(download(uniquePath("first") + "?size=100000", 100000, "one.bin"), kDownloadOk);
  ASSERT_FALSE(m_instance.positions().empty());
  EXPECT_EQ(m_instance.positions().back(), 50);
  EXPECT_EQ(download(uniquePath("second") + "?size=100000", 100000, "two.bin"), kDownloadOk);
  const std::vector<int>& positions = m_instance.positions();
  EXPECT_EQ(positions.back(), 100);
  for (size_t i = 1; i < positions.size(); ++i) EXPECT_LT(positions[i - 1], positions[i]);
  EXPECT_EQ(m_instance.plugin.m_progress.done(), 200000);
}

TEST_F(Download, NoProgressIsSentWithoutAPositiveTotal) {
  m_instance.plugin.m_progress.setTotal(-1);
  EXPECT_EQ(download(uniquePath("negative") + "?size=30000", 30000), kDownloadOk);
  m_instance.plugin.m_progress.setTotal(0);
  EXPECT_EQ(download(uniquePath("zero") + "?size=30000", 30000), kDownloadOk);
  EXPECT_TRUE(m_instance.positions().empty());
}

TEST_F(Download, AnHttpsDownload) {
  m_url = FixtureServer::instance().httpsUrl(uniquePath("secure") + "?size=70000");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 70000, "s.bin").code, kDownloadOk);
  EXPECT_EQ(readFile(target("s.bin")), fixtureBody(70000));
}

// The download shows nothing itself: its outcome carries the answer for the workflow's box.
TEST_F(Download, AnUnopenableUrlIsResult6AndLeavesNoFile) {
  MessageBoxWatcher watcher;
  m_url = FixtureServer::instance().httpUrl(uniquePath("gone") + "?status=404");
  const StepOutcome outcome = DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 100,
                                           "file.bin");
  EXPECT_EQ(outcome.code, kDownloadNoUrl);
  EXPECT_EQ(outcome.notice, OutcomeNotice::kServerStatus);
  EXPECT_EQ(outcome.status, 404u);
  EXPECT_STREQ(outcome.text, "Not Found");
  EXPECT_FALSE(fileExists(target()));
  EXPECT_EQ(installLogText(), "DownloadFile failed to open URL: " + m_url +
                                  "\r\nNumber of URL open retries exceeded in CMyPlugin::DownloadFile().  "
                                  "lastError: 0\r\n");
  EXPECT_TRUE(watcher.boxes().empty());
}

TEST_F(Download, ALocalFileThatCannotBeCreatedIsResult4) {
  const std::string path = uniquePath("unused");
  EXPECT_EQ(download(path + "?size=10", 10, "bad|name.bin"), kDownloadNoLocalFile);
  const std::string tooLong(300, 'n');
  EXPECT_EQ(download(path + "?size=10", 10, tooLong.c_str()), kDownloadNoLocalFile);
  EXPECT_EQ(installLogText(), "DownloadFile failed to create the local file: " + target("bad|name.bin") +
                                  "\r\nDownloadFile failed to create the local file: " + target(tooLong.c_str()) +
                                  "\r\n");
  EXPECT_TRUE(FixtureServer::instance().requestsFor(path).empty());
}

TEST_F(Download, ADirectoryThatCannotBeMadeIsResult2) {
  const std::string blocker = m_folder.write("blocker", "a file, not a folder");
  const std::string directory = blocker + "\\sub";
  m_url = FixtureServer::instance().httpUrl(uniquePath("no-dir") + "?size=10");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), directory.c_str(), 10, "x.bin").code, kDownloadNoDirectory);
  EXPECT_EQ(installLogText(), "Unable to switch to the installation directory: " + directory +
                                  "\r\n  This machine may be a lockdown desktop.\r\n");
}

TEST_F(Download, AConnectionResetIsResult3AndLeavesNoFile) {
  EXPECT_EQ(download(uniquePath("reset") + "?size=100000&drop=1000", 100000), kDownloadReadFailed);
  EXPECT_FALSE(fileExists(target()));
  const std::string log = installLogText();
  EXPECT_EQ(log.rfind("InternetReadFile failed.  Error code: ", 0), 0u) << log;
  EXPECT_NE(log.find("\r\n  File size (est): 100000\r\n  Bytes read: "), std::string::npos) << log;
}

TEST_F(Download, ABodyEndingBeforeItsContentLengthIsResult3) {
  EXPECT_EQ(download(uniquePath("cut") + "?size=100000&cut=1000", 100000), kDownloadReadFailed);
  EXPECT_FALSE(fileExists(target()));
  EXPECT_EQ(installLogText(), "InternetReadFile failed.  Error code: 12030\r\n  File size (est): 100000\r\n"
                              "  Bytes read: 1000\r\n");
  EXPECT_EQ(download(uniquePath("cut-config") + "?size=5000&cut=10", kUnknownSize), kDownloadReadFailed);
}

TEST_F(Download, AFullDiskIsResult3AndNotASuccess) {
  // The fixture links full.bin to a device on which every write fails for want of space.
  const std::string folder = FixtureServer::instance().directory() + "\\full";
  m_url = FixtureServer::instance().httpUrl(uniquePath("full") + "?size=5000");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), folder.c_str(), 5000, "full.bin").code, kDownloadReadFailed);
  EXPECT_FALSE(fileExists(folder + "\\full.bin"));
  EXPECT_EQ(installLogText(), "WriteFile failed.  Error code: 112\r\n  File size (est): 5000\r\n  Bytes read: 0\r\n");
}

TEST_F(Download, AFaultIsResult7AndStillReleasesAndDeletes) {
  // The cookie parameter's text is unreadable: the fault comes after the file was made.
  m_instance.plugin.m_page.siteMinderHeader = reinterpret_cast<const char*>(0x10);
  EXPECT_EQ(download(uniquePath("fault") + "?size=10", 10), kDownloadFault);
  EXPECT_FALSE(fileExists(target()));
  EXPECT_NE(installLogText().find("Exception caught in CMyPlugin::DownloadFile().  Exception number: 3221225477\r\n"),
            std::string::npos);
}

// A fault on the thread of one of the download's jobs (here the URL's opening) ends the
// download as a fault of its own, logged once under its name; the program goes on.
TEST_F(Download, AFaultOnAJobsThreadIsTheDownloadsFault) {
  armJobFaultFor("CMyPlugin::DownloadFile()");
  EXPECT_EQ(download(uniquePath("job-fault") + "?size=10", 10), kDownloadFault);
  armFaultFor(nullptr);
  EXPECT_FALSE(fileExists(target()));
  const std::string line = "Exception caught in CMyPlugin::DownloadFile().  Exception number: 3221225477\r\n";
  const std::string log = installLogText();
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << log;
  // The next download runs as ever.
  EXPECT_EQ(download(uniquePath("after-job-fault") + "?size=10", 10), kDownloadOk);
}

TEST_F(Download, TwoInstancesDownloadAtOnceWithoutDisturbingEachOther) {
  const std::string first = m_folder.path() + "\\first";
  const std::string second = m_folder.path() + "\\second";
  int results[2] = {-1, -1};
  auto fetch = [](int* result, const std::string& directory, uint32_t size) {
    TestInstance instance;
    instance.openSession();
    const std::string url = FixtureServer::instance().httpUrl(uniquePath("parallel") + "?size=" + std::to_string(size));
    *result = DownloadFile(transferOf(instance.plugin), url.c_str(), directory.c_str(), size, "file.bin").code;
  };
  std::thread one(fetch, &results[0], first, 3000000u);
  std::thread two(fetch, &results[1], second, 2000000u);
  one.join();
  two.join();
  EXPECT_EQ(results[0], kDownloadOk);
  EXPECT_EQ(results[1], kDownloadOk);
  EXPECT_EQ(readFile(first + "\\file.bin"), fixtureBody(3000000));
  EXPECT_EQ(readFile(second + "\\file.bin"), fixtureBody(2000000));
}

namespace {

// SHA-256 of the fixture's 40,000-byte body, and of that body with byte 20,000 flipped.
constexpr char kWholeDigest[] = "8f272ca6d96caedf3d860ff34ed21868f04ce18a2f41686f513c3c989146ca79";
constexpr char kFlippedDigest[] = "db61e676aa8371b210b9f0ecbd2457db2fde8f282421f81caccf4fcf19fb8f30";

}  // namespace

TEST_F(Download, APageDigestIsCheckedAsTheBytesArrive) {
  m_url = FixtureServer::instance().httpUrl(uniquePath("digest") + "?size=40000");
  const std::string upper = [] {
    std::string text = kWholeDigest;
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }();
  for (const std::string& digest : {std::string(kWholeDigest), upper, std::string()}) {
    EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 40000, "file.bin",
                           digest.c_str()).code,
              kDownloadOk);
    EXPECT_EQ(readFile(target()), fixtureBody(40000));
  }
  EXPECT_EQ(installLogText(), "");
}

TEST_F(Download, ABodyThatDiffersFromThePageDigestIsDeleted) {
  const std::string path = uniquePath("flipped");
  m_url = FixtureServer::instance().httpUrl(path + "?size=40000");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 40000, "file.bin",
                         kFlippedDigest).code,
            kDownloadHashMismatch);
  EXPECT_EQ(GetFileAttributesA(target().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(installLogText(), "DownloadFile: the file's SHA-256 does not match the page's, the file is deleted: " +
                                  m_url + "  expected: " + kFlippedDigest + "  received: " + kWholeDigest + "\r\n");

  // A body cut short of its declared size fails the digest too, where it would otherwise pass.
  releaseInstallLog();
  m_url = FixtureServer::instance().httpUrl(uniquePath("short-digest") + "?size=20000");
  EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 40000, "file.bin",
                         kWholeDigest).code,
            kDownloadHashMismatch);
  EXPECT_EQ(GetFileAttributesA(target().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Download, ADigestParameterThatIsNoDigestFailsBeforeAnythingIsFetched) {
  for (const char* digest : {"abc", "8f272ca6d96caedf3d860ff34ed21868f04ce18a2f41686f513c3c989146ca7g",
                             "8f272ca6d96caedf3d860ff34ed21868f04ce18a2f41686f513c3c989146ca790"}) {
    const std::string path = uniquePath("bad-digest");
    m_url = FixtureServer::instance().httpUrl(path + "?size=10");
    EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), m_url.c_str(), m_folder.path().c_str(), 10, "file.bin", digest).code,
              kDownloadHashMismatch)
        << digest;
    EXPECT_TRUE(FixtureServer::instance().requestsFor(path).empty()) << digest;
  }
}

// Nothing goes into the browser's cache, and nothing comes out of it: a file changed on
// the server is fetched anew under the same URL.
TEST_F(Download, EveryDownloadComesFromTheServerAndLeavesNoCacheEntry) {
  const std::string name = uniquePath("cached").substr(1) + ".txt";
  const std::string folder = FixtureServer::instance().directory() + "\\files";
  CreateDirectoryA(folder.c_str(), nullptr);  // the fixture's files folder may not exist yet
  const std::string served = folder + "\\" + name;
  const std::string path = "/files/" + name;
  writeFile(served, "first release");
  EXPECT_EQ(download(path, kUnknownSize), kDownloadOk);
  EXPECT_EQ(readFile(target()), "first release");
  writeFile(served, "second release");
  EXPECT_EQ(download(path, kUnknownSize), kDownloadOk);
  EXPECT_EQ(readFile(target()), "second release");
  EXPECT_EQ(FixtureServer::instance().requestsFor(path).size(), 2u);
  DWORD size = 0;
  EXPECT_FALSE(GetUrlCacheEntryInfoA(m_url.c_str(), nullptr, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
