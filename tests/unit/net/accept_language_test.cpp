// The Accept-Language line: from Firefox and Mozilla prefs.js, the registry's RFC 1766
// table, or "en-us", with the log lines of each way.
#include "net/accept_language.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/host_services.h"
#include "log/install_log.h"
#include "support/net_fixture.h"

namespace {

constexpr char kFirefoxAgent[] = "Mozilla/5.0 (Windows; U; Windows NT 5.1) Gecko/20060111 Firefox/1.5.0.1";
constexpr char kMozillaAgent[] = "Mozilla/5.0 (Windows; U; Windows NT 5.1; rv:1.7.12) Gecko/20050915";
constexpr char kNetscape4Agent[] = "Mozilla/4.79 [en] (Windows NT 5.0; U)";
constexpr char kRfc1766Key[] = "MIME\\Database\\Rfc1766";
constexpr char kDefaultLines[] =
    "No accept language string was found!\r\nDefaulting to: Accept-Language: en-us\r\n";

std::string header(const char* userAgent) {
  char* line = getAcceptLanguageHeader(userAgent);
  std::string text = line ? line : "(null)";
  NPN_MemFree(line);
  return text;
}

// The registry's name for the user's language: four lower-case hexadecimal digits.
std::string userLanguageName() {
  char name[8];
  std::snprintf(name, sizeof name, "%04x", static_cast<unsigned>(GetUserDefaultLangID()));
  return name;
}

std::string languagePrefs(const std::string& value) {
  return "# Mozilla User Preferences\r\nuser_pref(\"browser.startup.page\", 1);\r\n"
         "user_pref(\"intl.accept_languages\", \"" + value + "\");\r\n"
         "user_pref(\"intl.accept_languages\", \"xx\");\r\n";
}

class AcceptLanguage : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override { releaseInstallLog(); }

  void writeFirefoxPrefs(const std::string& content) {
    m_prefs = m_profile.write("Application Data\\Mozilla\\Firefox\\Profiles\\t.default\\prefs.js", content);
  }

  TestTree m_profile{"language"};
  ScopedEnvironment m_user{"USERPROFILE", m_profile.path().c_str()};
  ScopedEnvironment m_appData{"APPDATA", nullptr};
  ScopedEnvironment m_windows{"WINDIR", nullptr};
  std::string m_prefs;
};

}  // namespace

TEST_F(AcceptLanguage, FirefoxPrefsGiveTheFirstLanguageLineTrimmedAndCollapsed) {
  writeFirefoxPrefs(languagePrefs("  de-de,  en "));
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: de-de, en");
  writeFirefoxPrefs("USER_PREF(\"Intl.Accept_Languages\",\t\"fr, de\");\n");
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: fr, de");
  EXPECT_EQ(installLogText(), "");
}

TEST_F(AcceptLanguage, MozillaPrefsComeFromTheMozillaProfiles) {
  m_profile.write("Application Data\\Mozilla\\Profiles\\default\\x7.slt\\prefs.js", languagePrefs("it"));
  EXPECT_EQ(header(kMozillaAgent), "Accept-Language: it");
}

TEST_F(AcceptLanguage, APrefixStartingAVeryLongLineIsRecognisedInItsFirstPiece) {
  writeFirefoxPrefs("user_pref(\"intl.accept_languages\", \"nl\");" + std::string(5000, ' ') + "\n");
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: nl");
}

TEST_F(AcceptLanguage, Netscape4ReadsTheRegistryTableCutAtItsSemicolon) {
  m_profile.write("Application Data\\Mozilla\\Profiles\\p\\prefs.js", languagePrefs("never-read"));
  ScopedRegistryValue table(HKEY_CLASSES_ROOT, kRfc1766Key, userLanguageName(), "de-ch;German (Switzerland)");
  EXPECT_EQ(header(kNetscape4Agent), "Accept-Language: de-ch");
  ScopedRegistryValue whole(HKEY_CLASSES_ROOT, kRfc1766Key, userLanguageName(), "pt-br");
  EXPECT_EQ(header(kNetscape4Agent), "Accept-Language: pt-br");
  EXPECT_EQ(installLogText(), "");
}

TEST_F(AcceptLanguage, WithoutAnySourceItIsEnUsWithTwoLogLines) {
  EXPECT_EQ(header(kNetscape4Agent), "Accept-Language: en-us");
  EXPECT_EQ(installLogText(), kDefaultLines);
}

TEST_F(AcceptLanguage, AnEmptyRegistryValueCountsAsMissing) {
  ScopedRegistryValue empty(HKEY_CLASSES_ROOT, kRfc1766Key, userLanguageName(), "");
  EXPECT_EQ(header(kNetscape4Agent), "Accept-Language: en-us");
}

TEST_F(AcceptLanguage, WhiteSpaceOnlyFallsBackToTheRegistryWithoutALogLine) {
  writeFirefoxPrefs(languagePrefs(" \t "));
  ScopedRegistryValue table(HKEY_CLASSES_ROOT, kRfc1766Key, userLanguageName(), "sv;Swedish");
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: sv");
  EXPECT_EQ(installLogText(), "");
}

TEST_F(AcceptLanguage, AnUnclosedValueIsLoggedWithThePrefsFile) {
  writeFirefoxPrefs("user_pref(\"intl.accept_languages\", \"de, en);\r\n");
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: en-us");
  char shortPath[260] = "";
  const std::string log = installLogText();
  EXPECT_EQ(log.rfind("Unexpected error in getLanguageInfoFromPrefs().\r\nPreference file: ", 0), 0u) << log;
  EXPECT_NE(log.find("\\prefs.js\r\n" + std::string(kDefaultLines)), std::string::npos) << log;
  GetShortPathNameA(m_prefs.c_str(), shortPath, sizeof shortPath);
  EXPECT_NE(log.find(std::string("Preference file: ") + shortPath + "\r\n"), std::string::npos) << log;
}

TEST_F(AcceptLanguage, AUserAgentWithoutSlashIsLogged) {
  EXPECT_EQ(header("Opera"), "Accept-Language: en-us");
  EXPECT_EQ(installLogText(), "Bad user agent in getNSLanguageInfo().\r\nUser agent: Opera\r\n" +
                                  std::string(kDefaultLines));
}

TEST_F(AcceptLanguage, AMissingFirefoxProfileFallsThroughWithItsLogLine) {
  ScopedRegistryValue table(HKEY_CLASSES_ROOT, kRfc1766Key, userLanguageName(), "ja;Japanese");
  EXPECT_EQ(header(kFirefoxAgent), "Accept-Language: ja");
  EXPECT_EQ(installLogText(), "getNSUserPrefsPath() could not find the Firefox installation!\r\n");
}
