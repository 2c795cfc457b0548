// The browser's proxy: prefs.js of Firefox, Mozilla and Netscape 4.x, the Netscape 3.x
// registry values, and a session that really goes through the chosen proxy.
#include "net/browser_proxy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log/install_log.h"
#include "plugin/run_values.h"
#include "net/internet_session.h"
#include "net/url_open.h"
#include "plugin/run_session.h"
#include "support/net_fixture.h"
#include "support/test_browser.h"

namespace {

constexpr char kFirefoxAgent[] = "Mozilla/5.0 (Windows; U; Windows NT 5.1) Gecko/20060111 Firefox/1.5.0.1";
constexpr char kMozillaAgent[] = "Mozilla/5.0 (Windows; U; Windows NT 5.1; rv:1.7.12) Gecko/20050915";
constexpr char kNetscape3Key[] = "Software\\Netscape\\Netscape Navigator\\Proxy Information";
constexpr char kNetscape3Agent[] = "Mozilla/3.04 (WinNT; I)";
constexpr char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

BrowserProxySettings settingsFor(const char* userAgent) {
  BrowserProxySettings settings;
  std::memset(&settings, 0x55, sizeof settings);
  getBrowserProxySettings(userAgent, &settings);
  return settings;
}

std::string proxyPrefs(int port) {
  return "user_pref(\"network.proxy.http\", \"127.0.0.1\");\n"
         "user_pref(\"network.proxy.http_port\", " + std::to_string(port) + ");\n"
         "user_pref(\"network.proxy.type\", 1);\n";
}

// Opens the URL through the instance's session; true when a 2xx request came back.
bool fetch(CMyPlugin* plugin, const std::string& url) {
  return static_cast<bool>(OpenURL(transferOf(*plugin), url.c_str(), "").request);
}

// Overwrites a string value with text stored without its terminating NUL, as a careless
// program may leave it. A character follows the text in memory because Wine, like
// Windows, stores a NUL that directly follows the counted data as part of the value.
void storeUnterminated(HKEY root, const char* key, const char* name, const std::string& text) {
  const std::string followed = text + "!";
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &handle), ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(followed.data()),
                 static_cast<DWORD>(text.size()));
  RegCloseKey(handle);
}

// Keeps the prefix's own proxy settings, which a proxy script's URL set on a session may
// change, as they were.
class SavedInternetSettings {
 public:
  SavedInternetSettings() { RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_ALL_ACCESS, &m_key); }
  ~SavedInternetSettings() {
    RegDeleteValueA(m_key, "AutoConfigURL");
    const DWORD off = 0;
    RegSetValueExA(m_key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    RegCloseKey(m_key);
  }

 private:
  HKEY m_key = nullptr;
};

class BrowserProxy : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override { releaseInstallLog(); }

  std::string writeFirefoxPrefs(const std::string& content) {
    return m_profile.write("Application Data\\Mozilla\\Firefox\\Profiles\\x.default\\prefs.js", content);
  }

  TestTree m_profile{"proxy"};
  ScopedEnvironment m_user{"USERPROFILE", m_profile.path().c_str()};
  ScopedEnvironment m_appData{"APPDATA", nullptr};
  ScopedEnvironment m_windows{"WINDIR", nullptr};
};

}  // namespace

TEST_F(BrowserProxy, AManualFirefoxProxyCarriesTheRequests) {
  writeFirefoxPrefs(proxyPrefs(FixtureServer::instance().proxyPort()));
  TestInstance instance;
  instance.openSession(kFirefoxAgent);
  const std::string path = uniquePath("via-proxy");
  ASSERT_TRUE(fetch(&instance.plugin, FixtureServer::instance().proxiedUrl(path + "?size=10")));
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(seen[0].find("\"server\": \"proxy\""), std::string::npos) << seen[0];
  EXPECT_NE(seen[1].find("\"server\": \"http\""), std::string::npos) << seen[1];
}

TEST_F(BrowserProxy, ANewInstanceOpensItsSessionWithTheBrowsersUserAgentAndProxy) {
  writeFirefoxPrefs(proxyPrefs(FixtureServer::instance().proxyPort()));
  const std::string previousAgent = TestBrowser::instance().userAgent();
  TestBrowser::instance().setUserAgent(kFirefoxAgent);
  _NPP npp = {};
  char mimeType[] = "application/x-ostrel-updater-plugin";
  ASSERT_EQ(TestBrowser::instance().pluginTable().newp(mimeType, &npp, 1, 0, nullptr, nullptr, nullptr), 0);
  auto* plugin = static_cast<CMyPlugin*>(npp.pdata);
  // NPP_New took the browser's user agent; the worker opens the session as its first step,
  // here the test's thread.
  openRunSessionForWorker(*plugin);
  ASSERT_NE(openedRunSession(*plugin), nullptr);
  const std::string path = uniquePath("new-instance");
  EXPECT_TRUE(fetch(plugin, FixtureServer::instance().proxiedUrl(path)));
  TestBrowser::instance().pluginTable().destroy(&npp, nullptr);
  TestBrowser::instance().setUserAgent(previousAgent);
  const auto seen = FixtureServer::instance().requestsFor(path);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(seen[0].find("\"server\": \"proxy\""), std::string::npos) << seen[0];
  EXPECT_NE(seen[1].find(std::string("\"user-agent\": \"") + kFirefoxAgent), std::string::npos) << seen[1];
}

TEST_F(BrowserProxy, PrefsLinesAreMatchedAfterCollapsingWhiteSpaceAndTheLastOneWins) {
  writeFirefoxPrefs(
      "user_pref(\"network.proxy.http\",   \"first\");\r\n"
      "user_pref(\"network.proxy.http\",\t\"proxy.example\");\r\n"
      "user_pref(\"network.proxy.http_port\",  \t-3128x);\r\n"
      "user_pref(\"network.proxy.http_port\",8080);\r\n"
      "user_pref(\"network.proxy.type\", 1);\r\n"
      "user_pref(\"network.proxy.type\", 4);\r\n"
      "user_pref(\"network.proxy.no_proxies_on\", \"localhost, .corp.example; 10.0.0.1\");\r\n");
  const BrowserProxySettings settings = settingsFor(kFirefoxAgent);
  EXPECT_EQ(settings.kind, BrowserProxySettings::MANUAL);
  EXPECT_STREQ(settings.host, "proxy.example");
  EXPECT_EQ(settings.port, -3128);
  EXPECT_STREQ(settings.bypassList, "localhost|.corp.example|10.0.0.1");
  EXPECT_STREQ(settings.autoConfigUrl, "");
}

TEST_F(BrowserProxy, AManualTypeWithoutHostOrPortStillCountsAsManual) {
  writeFirefoxPrefs("user_pref(\"network.proxy.type\", 1);\n");
  const BrowserProxySettings settings = settingsFor(kFirefoxAgent);
  EXPECT_EQ(settings.kind, BrowserProxySettings::MANUAL);
  EXPECT_STREQ(settings.host, "");
  EXPECT_EQ(settings.port, 0);
}

TEST_F(BrowserProxy, AHostTooLongForTheProxyTextLeavesTheSystemSettings) {
  writeFirefoxPrefs("user_pref(\"network.proxy.http\", \"" + std::string(200, 'h') +
                    "\");\nuser_pref(\"network.proxy.type\", 1);\n");
  TestInstance instance;
  instance.openSession(kFirefoxAgent);
  EXPECT_TRUE(fetch(&instance.plugin, FixtureServer::instance().httpUrl(uniquePath("long-host"))));
}

TEST_F(BrowserProxy, AnUnclosedQuoteMakesTheWholeFileCountAsNone) {
  writeFirefoxPrefs("user_pref(\"network.proxy.type\", 1);\nuser_pref(\"network.proxy.http\", \"proxy.example);\n");
  EXPECT_EQ(settingsFor(kFirefoxAgent).kind, BrowserProxySettings::NONE);
}

TEST_F(BrowserProxy, DirectOrUnreadableConfigurationsGiveNone) {
  writeFirefoxPrefs("user_pref(\"network.proxy.type\", 0);\n");
  EXPECT_EQ(settingsFor(kFirefoxAgent).kind, BrowserProxySettings::NONE);
  EXPECT_EQ(settingsFor(kMozillaAgent).kind, BrowserProxySettings::NONE);
  EXPECT_EQ(settingsFor("NoSlash").kind, BrowserProxySettings::NONE);
  EXPECT_EQ(installLogText(), "getNSUserPrefsPath() could not find the Netscape installation!\r\n");
}

// Wine's WinInet accepts the script's URL without using it: the session goes direct.
TEST_F(BrowserProxy, AnAutoConfigUrlIsSetOnTheSession) {
  SavedInternetSettings saved;
  const std::string pac = FixtureServer::instance().httpUrl(uniquePath("pac") + "/proxy.pac");
  writeFirefoxPrefs("user_pref(\"network.proxy.autoconfig_url\", \"" + pac + "\");\nuser_pref(\"network.proxy.type\", 2);\n");
  const BrowserProxySettings settings = settingsFor(kFirefoxAgent);
  EXPECT_EQ(settings.kind, BrowserProxySettings::AUTO);
  EXPECT_EQ(std::string(settings.autoConfigUrl), pac);
  TestInstance instance;
  instance.openSession(kFirefoxAgent);
  ASSERT_NE(instance.plugin.m_internet, nullptr);
  EXPECT_EQ(installLogText(), "");
  EXPECT_TRUE(fetch(&instance.plugin, FixtureServer::instance().httpUrl(uniquePath("after-pac"))));
}

TEST_F(BrowserProxy, Netscape4ReadsTheMostRecentlyReadUserPrefs) {
  const std::string program = m_profile.path() + "\\Netscape\\Program";
  m_profile.write("Netscape\\Program\\netscape.exe", "");
  const std::string older = m_profile.write("Netscape\\Users\\alice\\prefs.js", proxyPrefs(1111));
  const std::string newer = m_profile.write("Netscape\\Users\\bob\\prefs.js", proxyPrefs(2222));
  setLastAccess(older, 120000000000000000ULL);
  setLastAccess(newer, 130000000000000000ULL);
  ScopedRegistryValue install(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator\\4.79 (en)\\Main",
                              "Install Directory", program);
  EXPECT_EQ(settingsFor("Mozilla/4.79 [en] (Windows NT 5.0; U)").port, 2222);
  setLastAccess(older, 140000000000000000ULL);
  EXPECT_EQ(settingsFor("Mozilla/4.79 [en] (Windows NT 5.0; U)").port, 1111);
  EXPECT_EQ(settingsFor("Mozilla/4.78 [en] (Windows NT 5.0; U)").kind, BrowserProxySettings::NONE);
}

TEST_F(BrowserProxy, Netscape3ValuesAreFoundUnderTheMachineAfterTheUserFails) {
  ScopedRegistryValue userType(HKEY_CURRENT_USER, kNetscape3Key, "Proxy Type", DWORD{0});
  ScopedRegistryValue userHost(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", "user.example");
  ScopedRegistryValue userPort(HKEY_CURRENT_USER, kNetscape3Key, "Http_ProxyPort", DWORD{81});
  ScopedRegistryValue type(HKEY_LOCAL_MACHINE, kNetscape3Key, "Proxy Type", DWORD{2});
  ScopedRegistryValue host(HKEY_LOCAL_MACHINE, kNetscape3Key, "HTTP_Proxy", "machine.example");
  ScopedRegistryValue port(HKEY_LOCAL_MACHINE, kNetscape3Key, "Http_ProxyPort", DWORD{8080});
  ScopedRegistryValue bypass(HKEY_LOCAL_MACHINE, kNetscape3Key, "No_Proxy", "a.example, b.example;c");
  const BrowserProxySettings settings = settingsFor(kNetscape3Agent);
  EXPECT_EQ(settings.kind, BrowserProxySettings::MANUAL);
  EXPECT_STREQ(settings.host, "machine.example");
  EXPECT_EQ(settings.port, 8080);
  EXPECT_STREQ(settings.bypassList, "a.example|b.example|c");
}

// The host is read into 256 bytes: 255 characters and the NUL fit; a longer host, or one
// stored without a NUL that fills the buffer, counts as missing, and with it the proxy.
TEST_F(BrowserProxy, Netscape3HostUpToItsBufferIsUsedAndALongerOneIsNot) {
  ScopedRegistryValue type(HKEY_CURRENT_USER, kNetscape3Key, "Proxy Type", DWORD{1});
  ScopedRegistryValue port(HKEY_CURRENT_USER, kNetscape3Key, "Http_ProxyPort", DWORD{8080});
  const std::string fits(255, 'h');
  {
    ScopedRegistryValue host(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", fits);
    const BrowserProxySettings settings = settingsFor(kNetscape3Agent);
    EXPECT_EQ(settings.kind, BrowserProxySettings::MANUAL);
    EXPECT_EQ(std::string(settings.host), fits);
  }
  {
    ScopedRegistryValue host(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", fits + "h");
    EXPECT_EQ(settingsFor(kNetscape3Agent).kind, BrowserProxySettings::NONE);
  }
  {
    ScopedRegistryValue host(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", "");
    storeUnterminated(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", fits + "h");
    EXPECT_EQ(settingsFor(kNetscape3Agent).kind, BrowserProxySettings::NONE);
  }
}

// The bypass list fills the settings' own buffer; one that does not fit is dropped and the
// proxy still used.
TEST_F(BrowserProxy, Netscape3BypassListUpToItsBufferIsUsedAndALongerOneIsDropped) {
  ScopedRegistryValue type(HKEY_CURRENT_USER, kNetscape3Key, "Proxy Type", DWORD{1});
  ScopedRegistryValue host(HKEY_CURRENT_USER, kNetscape3Key, "HTTP_Proxy", "proxy.example");
  ScopedRegistryValue port(HKEY_CURRENT_USER, kNetscape3Key, "Http_ProxyPort", DWORD{8080});
  const std::string fits(kProxyTextSize - 1, 'b');
  {
    ScopedRegistryValue bypass(HKEY_CURRENT_USER, kNetscape3Key, "No_Proxy", fits);
    EXPECT_EQ(std::string(settingsFor(kNetscape3Agent).bypassList), fits);
  }
  {
    ScopedRegistryValue bypass(HKEY_CURRENT_USER, kNetscape3Key, "No_Proxy", fits + "b");
    const BrowserProxySettings settings = settingsFor(kNetscape3Agent);
    EXPECT_STREQ(settings.host, "proxy.example");
    EXPECT_STREQ(settings.bypassList, "");
  }
  {
    ScopedRegistryValue bypass(HKEY_CURRENT_USER, kNetscape3Key, "No_Proxy", "");
    storeUnterminated(HKEY_CURRENT_USER, kNetscape3Key, "No_Proxy", fits + "b");
    const BrowserProxySettings settings = settingsFor(kNetscape3Agent);
    EXPECT_STREQ(settings.host, "proxy.example");
    EXPECT_STREQ(settings.bypassList, "");
  }
}

// The browser's exceptions hold for the plug-in's requests: a listed host is reached
// directly, any other through the proxy.
TEST_F(BrowserProxy, HostsTheBrowserReachesDirectlyBypassTheProxy) {
  writeFirefoxPrefs(proxyPrefs(FixtureServer::instance().proxyPort()) +
                    "user_pref(\"network.proxy.no_proxies_on\", \"localhost, 127.0.0.1, .intranet.example\");\n");
  TestInstance instance;
  instance.openSession(kFirefoxAgent);
  const std::string direct = uniquePath("bypassed");
  ASSERT_TRUE(fetch(&instance.plugin, FixtureServer::instance().httpUrl(direct + "?size=10")));
  const auto seenDirect = FixtureServer::instance().requestsFor(direct);
  ASSERT_EQ(seenDirect.size(), 1u);
  EXPECT_NE(seenDirect[0].find("\"server\": \"http\""), std::string::npos) << seenDirect[0];
  const std::string proxied = uniquePath("not-bypassed");
  ASSERT_TRUE(fetch(&instance.plugin, FixtureServer::instance().proxiedUrl(proxied + "?size=10")));
  const auto seenProxied = FixtureServer::instance().requestsFor(proxied);
  ASSERT_EQ(seenProxied.size(), 2u);
  EXPECT_NE(seenProxied[0].find("\"server\": \"proxy\""), std::string::npos) << seenProxied[0];
}
