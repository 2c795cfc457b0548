// Opening URLs over Wine's WinInet against the fixture server: the cookie, secure
// opening, status checks, the failure's outcome in its message box and the
// authentication dialogs.
#include "net/url_open.h"

#include <gtest/gtest.h>

#include <string>

#include "log/install_log.h"
#include "plugin/run_values.h"
#include "support/message_box_watcher.h"
#include "support/net_fixture.h"
#include "workflow/open_failure_box.h"

namespace {

constexpr char kDefaultSentence[] = "An error occurred while downloading from the server: ";

class UrlOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    releaseInstallLog();
    m_instance.openSession();
  }
  void TearDown() override { releaseInstallLog(); }

  // Opens the URL; returns whether a request came back, and closes it. lastError must be
  // the system's code of an attempt that got no answer, or 0 when every one got one. A
  // failure's outcome goes to its box, as the workflow shows it.
  bool open(const std::string& url, DWORD expectedError = 0) {
    const OpenedUrl opened = OpenURL(transferOf(m_instance.plugin), url.c_str(), "Accept-Language: en-us");
    if (!opened.request) showOpenFailureBox(m_instance.plugin, opened.outcome);
    EXPECT_EQ(opened.lastError, expectedError);
    return static_cast<bool>(opened.request);
  }

  TestInstance m_instance;
};

}  // namespace

TEST_F(UrlOpen, A2xxAnswerIsReturnedWithoutAnyMessage) {
  MessageBoxWatcher watcher;
  const std::string path = uniquePath("ok");
  EXPECT_TRUE(open(FixtureServer::instance().httpUrl(path + "?status=204")));
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find("\"accept-language\": \"en-us\""), std::string::npos) << seen[0];
  EXPECT_TRUE(watcher.boxes().empty());
}

TEST_F(UrlOpen, HttpsInAnyCaseOpensSecurely) {
  const std::string lower = uniquePath("secure");
  const std::string upper = uniquePath("SECURE");
  const std::string url = FixtureServer::instance().httpsUrl(upper + "?size=5");
  EXPECT_TRUE(open(FixtureServer::instance().httpsUrl(lower + "?size=5")));
  EXPECT_TRUE(open("HTTPS" + url.substr(5)));
  for (const std::string& path : {lower, upper}) {
    const auto seen = FixtureServer::instance().requestsFor(path);
    ASSERT_EQ(seen.size(), 1u) << path;
    EXPECT_NE(seen[0].find("\"server\": \"https\""), std::string::npos) << seen[0];
  }
}

TEST_F(UrlOpen, A404IsShownWithItsStatusTextCaptionedWithTheProgramTitle) {
  m_instance.setParameter(&PageParameters::programTitle, "Ostrel Meeting");
  MessageBoxWatcher watcher;
  EXPECT_FALSE(open(FixtureServer::instance().httpUrl(uniquePath("missing") + "?status=404")));
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(watcher.boxes()[0].caption, "Ostrel Meeting");
  EXPECT_EQ(watcher.boxes()[0].text, std::string(kDefaultSentence) + "Not Found (404)");
  EXPECT_EQ(watcher.boxes()[0].owner, pluginOwnerWindow(&m_instance.plugin));
}

TEST_F(UrlOpen, ThePagesTemplateIsUsedWithOrWithoutAPlaceholder) {
  m_instance.setParameter(&PageParameters::installErrorHttp, "Download failed: %s - call the help desk");
  MessageBoxWatcher watcher;
  EXPECT_FALSE(open(FixtureServer::instance().httpUrl(uniquePath("teapot") + "?status=418&reason=Short+And+Stout")));
  m_instance.setParameter(&PageParameters::installErrorHttp, "Download failed");
  EXPECT_FALSE(open(FixtureServer::instance().httpUrl(uniquePath("teapot") + "?status=302")));
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_EQ(watcher.boxes()[0].text, "Download failed: Short And Stout (418)");
  EXPECT_EQ(watcher.boxes()[1].text, "Download failed");
  EXPECT_EQ(watcher.boxes()[1].caption, "Ostrel Client Updater Plugin");
}

TEST_F(UrlOpen, AnUnreachableServerShowsTheSentenceWithZero) {
  MessageBoxWatcher watcher;
  EXPECT_FALSE(open("http://127.0.0.1:1/nothing-listens-here", ERROR_INTERNET_CANNOT_CONNECT));
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(watcher.boxes()[0].text, std::string(kDefaultSentence) + "0");
}

TEST_F(UrlOpen, TheCookieArrivesWithEveryAttempt) {
  m_instance.setParameter(&PageParameters::siteMinderHeader, "token-123");
  MessageBoxWatcher watcher(IDOK);
  const std::string path = uniquePath("login");
  EXPECT_FALSE(open(FixtureServer::instance().httpUrl(path + "?auth=always")));
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_GE(seen.size(), 5u);
  for (const std::string& request : seen)
    EXPECT_NE(request.find("SMSESSION=token-123"), std::string::npos) << request;
  ASSERT_FALSE(watcher.boxes().empty());
  EXPECT_EQ(watcher.boxes().back().text, std::string(kDefaultSentence) + "0");
}

TEST_F(UrlOpen, ACancelledProxyChallengeIsNotRetried) {
  InternetCloseHandle(m_instance.plugin.m_internet);
  const std::string proxy = "http=http://127.0.0.1:" + std::to_string(FixtureServer::instance().proxyPort());
  m_instance.plugin.m_internet = InternetOpenA("test", INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0);
  MessageBoxWatcher watcher(IDCANCEL);
  const std::string path = uniquePath("proxy-login");
  EXPECT_FALSE(open(FixtureServer::instance().proxiedUrl(path + "?proxyauth=always")));
  EXPECT_EQ(FixtureServer::instance().requestsFor(path).size(), 1u);
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_EQ(watcher.boxes()[1].text, std::string(kDefaultSentence) + "Proxy Authentication Required (407)");
}
