// The install log: line operations, sending, release, and use from several threads.
#include "log/install_log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "base/host_services.h"
#include "support/install_log_text.h"
#include "support/net_fixture.h"
#include "support/plugin_instance.h"
#include "support/test_browser.h"

namespace {

class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override { releaseInstallLog(); }
};

}  // namespace

TEST_F(InstallLog, PartsAndNumbersMakeOneLine) {
  logText("a");
  logUnsignedLine(7);
  logText("signed: ");
  logSignedLine(-5);
  logLine("plain");
  logUnsignedLine(3221225477u);
  EXPECT_EQ(installLogText(), "a7\r\nsigned: -5\r\nplain\r\n3221225477\r\n");
}

// A send on behalf of a page whose receiver refuses the connection (nothing listens on
// port 1) uploads nothing: the log must stay whole for a later send, with what is logged
// afterwards following it, and the send may keep no memory of its own. Sending an empty
// log does not create one.
TEST_F(InstallLog, ASendThatUploadedNothingKeepsTheWholeLogAndNoMemory) {
  ScopedFirefoxLanguage language;  // the report's language lookup then logs nothing
  PluginInstance page(EmbedParameters{{"InstallLogURL", "http://127.0.0.1:1/log"}});
  ASSERT_NE(page.record(), nullptr);
  releaseInstallLog();  // whatever opening the page logged
  const long long empty = TestBrowser::instance().balanceBytes();
  sendInstallLog(page.record(), kTeardownSend);
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), empty);

  const std::string longLine(5000, 'x');
  logLine("first");
  logLine(longLine.c_str());
  const long long logged = TestBrowser::instance().balanceBytes();
  sendInstallLog(page.record(), kTeardownSend);
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), logged);
  logLine("after");
  EXPECT_EQ(installLogText(), "first\r\n" + longLine + "\r\nafter\r\n");
}

TEST_F(InstallLog, ReleaseReturnsEveryBlock) {
  const long long before = TestBrowser::instance().balanceBytes();
  for (int i = 0; i < 100; ++i) logLine("some text to make the log grow");
  EXPECT_GT(TestBrowser::instance().balanceBytes(), before);
  releaseInstallLog();
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), before);
  EXPECT_EQ(installLogText(), "");
}

TEST_F(InstallLog, LinesFromTwoThreadsStayWhole) {
  constexpr int kLines = 3000;
  auto writer = [](char name) {
    for (int i = 0; i < kLines; ++i) {
      // A line from parts, held together as callers do.
      auto lock = lockInstallLog();
      logText(std::string(1, name).c_str());
      logText("-");
      logUnsignedLine(static_cast<uint32_t>(i));
    }
  };
  std::thread first(writer, 'A');
  std::thread second(writer, 'B');
  for (int i = 0; i < kLines; ++i) logLine("C-plain");
  first.join();
  second.join();

  std::istringstream lines(installLogText());
  std::set<std::string> seen;
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    ++count;
    if (line != "C-plain") seen.insert(line);
  }
  EXPECT_EQ(count, 3 * kLines);
  EXPECT_EQ(seen.size(), 2u * kLines);
  EXPECT_TRUE(seen.count("A-0") && seen.count("B-2999"));
}
