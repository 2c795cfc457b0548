// Downloads from servers that misbehave: silent, stalling mid-body, promising more than
// they send, redirecting in a loop. Each ends as a failed download with its log line and
// no file left, within the requests' timeouts.
#include <gtest/gtest.h>

#include <string>

#include "log/install_log.h"
#include "net/file_download.h"
#include "net/request_timeouts.h"
#include "plugin/run_values.h"
#include "support/message_box_watcher.h"
#include "support/net_fixture.h"
#include "support/test_browser.h"
#include "support/test_files.h"
#include "support/time_scale.h"

namespace {

// Short enough for tests; the requests' own values are checked separately.
constexpr DWORD kTestTimeoutMs = 2000;

class HostileServer : public ::testing::Test {
 protected:
  void SetUp() override {
    releaseInstallLog();
    m_instance.openSession();
    // A stalled server costs one short timeout instead of the download timeouts.
    m_instance.plugin.m_limits.timeoutMs = kTestTimeoutMs;
    ASSERT_NE(m_instance.plugin.m_internet, nullptr);
  }
  void TearDown() override { releaseInstallLog(); }

  // Downloads with the test's timeouts and returns the result; took holds the time.
  int download(const std::string& pathAndQuery, uint32_t expectedSize) {
    const std::string url = FixtureServer::instance().httpUrl(pathAndQuery);
    const DWORD start = GetTickCount();
    const int result = DownloadFile(transferOf(m_instance.plugin), url.c_str(), m_folder.path().c_str(), expectedSize, "f.bin").code;
    took = GetTickCount() - start;
    return result;
  }
  bool leftAFile() const { return GetFileAttributesA((m_folder.path() + "\\f.bin").c_str()) != INVALID_FILE_ATTRIBUTES; }

  ScopedFirefoxLanguage m_language;
  TestTree m_folder{"hostile"};
  TestInstance m_instance;
  MessageBoxWatcher m_boxes;
  DWORD took = 0;
};

}  // namespace

// One attempt waits its timeout and no other follows: each would cost the same wait.
// (Wine reports the timeout as an aborted connection, which is otherwise tried again.)
TEST_F(HostileServer, ASilentServerFailsTheOpenAfterOneTimeout) {
  const std::string path = uniquePath("silent");
  EXPECT_EQ(download(path + "?size=100&stall=60000", 100), kDownloadNoUrl);
  EXPECT_EQ(FixtureServer::instance().requestsFor(path).size(), 1u);
  EXPECT_GE(took, kTestTimeoutMs - 100);
  EXPECT_LT(took, scaledMs(2 * kTestTimeoutMs));
  EXPECT_FALSE(leftAFile());
  EXPECT_EQ(installLogText().rfind("DownloadFile failed to open URL: ", 0), 0u) << installLogText();
}

TEST_F(HostileServer, ABodyThatStallsOrFallsShortOfItsLengthFailsTheRead) {
  const char* cases[] = {"?size=100000&hang=50000", "?size=1000&length=10000000&hang=1000"};
  for (const char* query : cases) {
    SCOPED_TRACE(query);
    releaseInstallLog();
    EXPECT_EQ(download(uniquePath("stall") + query, 100000), kDownloadReadFailed);
    // The first answer and each resume wait one timeout at the most.
    EXPECT_LT(took, (kMostResumes + 1) * kTestTimeoutMs + scaledMs(4000));
    EXPECT_FALSE(leftAFile());
    EXPECT_EQ(installLogText().rfind("InternetReadFile failed.  Error code: ", 0), 0u) << installLogText();
  }
}

TEST_F(HostileServer, ARedirectIsFollowedToItsTarget) {
  const std::string target = uniquePath("redirect-target");
  EXPECT_EQ(download(uniquePath("redirect") + "?status=302&location=" + target + "%3Fsize%3D100", 100), kDownloadOk);
  EXPECT_EQ(FixtureServer::instance().requestsFor(target).size(), 1u);
}

TEST_F(HostileServer, ARedirectLoopEndsAsAFailedOpen) {
  EXPECT_EQ(download(uniquePath("loop") + "?status=302&redirect=self", 100), kDownloadNoUrl);
  EXPECT_LT(took, scaledMs(30000));
  EXPECT_FALSE(leftAFile());
}

// A body without a declared length is read only so far: an endless one fails the download
// instead of filling the disk. A most of 256 KiB stands for the real one, and the server
// sends 64 KiB a second, which even the emulated machine's reads keep up with: ahead of
// the reader, the rest of an endless answer has been seen to hold the request's end for
// minutes there.
TEST_F(HostileServer, AnEndlessBodyWithoutLengthStopsAtTheMostAllowed) {
  m_instance.plugin.m_limits.mostUnknownSizeBytes = 256 << 10;
  const int result =
      download("/as/chunked%3Dendless%26chunk_pause%3D250/" + uniquePath("endless").substr(1), kUnknownSize);
  EXPECT_EQ(result, kDownloadReadFailed);
  EXPECT_LT(took, scaledMs(10000));
  EXPECT_FALSE(leftAFile());
  EXPECT_EQ(installLogText().rfind("DownloadFile stopped: the body has no declared length and is longer than 262144\r\n", 0), 0u)
      << installLogText();
}

namespace {

// SHA-256 of the fixture's 400,000-byte body.
constexpr char kBodyDigest[] = "40087af8731f95ca61e74b1175c6ac119cbe2051f13a06188cefcdcc0c1ac087";

}  // namespace

// A package cut at 40 % ends whole, its digest checked over both parts. Only a server
// that names its file (an ETag) is asked for the rest, with that tag in If-Range; without
// one, or from a server that ignores the range, the whole body comes again and the file
// starts over. The reads are of 16 KiB and the cut comes after ten of them: a read that
// the reset interrupts gives nothing of what it had, so the rest starts at 163,840.
TEST_F(HostileServer, ABrokenPackageIsResumedOrStartedOverAndEndsWhole) {
  m_instance.plugin.m_limits.packageReadSize = 16 << 10;
  struct Case {
    const char* query;
    bool resumed;
  };
  for (const Case& c : {Case{"&ranges=1&etag=v1", true}, Case{"&ranges=1", false}, Case{"&etag=v1", true},
                        Case{"", false}}) {
    SCOPED_TRACE(c.query);
    releaseInstallLog();
    const std::string path = uniquePath("resume");
    const std::string url = FixtureServer::instance().httpUrl(path + "?size=400000&drop=163840&fail_first=1" + c.query);
    EXPECT_EQ(DownloadFile(transferOf(m_instance.plugin), url.c_str(), m_folder.path().c_str(), 400000, "f.bin", kBodyDigest).code,
              kDownloadOk);
    EXPECT_EQ(readFile(m_folder.path() + "\\f.bin"), fixtureBody(400000));
    const auto seen = FixtureServer::instance().requestsFor(path);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].find("\"range\""), std::string::npos) << seen[0];
    EXPECT_EQ(seen[1].find("\"range\": \"bytes=163840-\"") != std::string::npos, c.resumed) << seen[1];
    EXPECT_EQ(seen[1].find("\"if-range\": \"\\\"v1\\\"\"") != std::string::npos, c.resumed) << seen[1];
    EXPECT_EQ(installLogText(), "");
  }
}

// The file is replaced on the server between the break and the resume: the server sends
// the new file whole, and the download ends as that file alone, not as a mix of both,
// even without a digest to catch it.
TEST_F(HostileServer, AFileReplacedBeforeTheResumeEndsAsTheNewFile) {
  m_instance.plugin.m_limits.packageReadSize = 16 << 10;
  const std::string path = uniquePath("replaced");
  EXPECT_EQ(download(path + "?size=400000&drop=163840&fail_first=1&ranges=1&etag=v1&changed_after=1", 400000),
            kDownloadOk);
  std::string replaced(400000, '\0');
  for (size_t i = 0; i < replaced.size(); ++i) replaced[i] = static_cast<char>(i % 251 * 7 % 251);
  EXPECT_EQ(readFile(m_folder.path() + "\\f.bin"), replaced);
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(seen[1].find("\"range\": \"bytes=163840-\""), std::string::npos) << seen[1];
}

TEST_F(HostileServer, ResumesAreBounded) {
  const std::string path = uniquePath("resumes");
  EXPECT_EQ(download(path + "?size=400000&drop=50000&ranges=1&etag=v1", 400000), kDownloadReadFailed);
  EXPECT_EQ(FixtureServer::instance().requestsFor(path).size(), 1u + kMostResumes);
  EXPECT_FALSE(leftAFile());
  EXPECT_EQ(installLogText().rfind("InternetReadFile failed.  Error code: ", 0), 0u) << installLogText();
}
