// The install log: line operations, sending, release, and use from several threads.
#include "log/install_log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "base/host_services.h"
#include "support/install_log_text.h"
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

TEST_F(InstallLog, SendingAnEmptyOrUnusedLogAllocatesNothing) {
  const long long before = TestBrowser::instance().balanceBytes();
  sendInstallLog(nullptr);
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), before);
}

TEST_F(InstallLog, UnsentLogKeepsItsText) {
  logLine("first");
  sendInstallLog(nullptr);
  logLine("second");
  EXPECT_EQ(installLogText(), "first\r\nsecond\r\n");
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
