// Preference-line and bypass-list text rules, user-agent families, the error sentence.
#include <gtest/gtest.h>

#include <string>

#include "net/http_error_message.h"
#include "net/prefs_text.h"
#include "net/user_agent.h"

namespace {

std::string normalized(std::string line, void (*rule)(char*)) {
  rule(&line[0]);
  return line.c_str();
}

std::string versionText(const char* userAgent, size_t size = 260) {
  char out[260];
  netscapeVersionText(userAgent, out, size);
  return out;
}

std::string message(const char* messageTemplate, const char* statusText, uint32_t code, size_t size = 1600) {
  char out[kHttpErrorMessageSize];
  composeHttpErrorMessage(messageTemplate, statusText, code, out, size);
  return out;
}

}  // namespace

TEST(PrefsText, LinesLoseTheirEndAndRunsOfWhiteSpaceBecomeOneSpace) {
  EXPECT_EQ(normalized("user_pref(\"a\",\t \v\f1);\r\n", normalizePrefsLine), "user_pref(\"a\", 1);");
  EXPECT_EQ(normalized("  \tx  y\n second line", normalizePrefsLine), " x y");
  EXPECT_EQ(normalized("only\rcr", normalizePrefsLine), "only");
  EXPECT_EQ(normalized("", normalizePrefsLine), "");
}

TEST(PrefsText, BypassListsUseBarsAndDropWhiteSpace) {
  EXPECT_EQ(normalized(" localhost, 127.0.0.1 ;.example.org\t", normalizeBypassList), "localhost|127.0.0.1|.example.org");
  EXPECT_EQ(normalized("a,,b", normalizeBypassList), "a||b");
}

TEST(PrefsText, PathsThatDoNotFitAreRefused) {
  char path[260];
  EXPECT_TRUE(joinPath(path, "C:\\dir", "name"));
  EXPECT_STREQ(path, "C:\\dir\\name");
  EXPECT_FALSE(joinPath(path, std::string(250, 'd').c_str(), "0123456789"));
  EXPECT_EQ(std::string(path).size(), 259u);
}

TEST(UserAgent, FirefoxIsRecognisedBeforeTheVersionCharacter) {
  EXPECT_EQ(classifyUserAgent("Mozilla/5.0 (Windows; U) Gecko/20050511 Firefox/1.0.4"), BrowserFamily::Firefox);
  EXPECT_EQ(classifyUserAgent("Mozilla/3.01 (Win95; I) Firefox"), BrowserFamily::Firefox);
  EXPECT_EQ(classifyUserAgent("Mozilla/3.01 (Win95; I)"), BrowserFamily::Netscape3);
  EXPECT_EQ(classifyUserAgent("Mozilla/4.79 [en] (Windows NT 5.0; U)"), BrowserFamily::Netscape4);
  EXPECT_EQ(classifyUserAgent("Mozilla/5.0 (Windows; U; rv:1.7) Gecko"), BrowserFamily::Mozilla);
  EXPECT_EQ(classifyUserAgent("Mozilla/2.0"), BrowserFamily::Other);
  EXPECT_EQ(classifyUserAgent("Mozilla/\xE9"), BrowserFamily::Other);
  EXPECT_EQ(classifyUserAgent("NoSlashAtAll"), BrowserFamily::NoVersion);
  EXPECT_EQ(classifyUserAgent(nullptr), BrowserFamily::NoVersion);
}

TEST(UserAgent, Netscape4VersionTextAsTheRegistrySpellsIt) {
  EXPECT_EQ(versionText("Mozilla/4.79 [en] (Windows NT 5.0; U)"), "4.79 (en)");
  EXPECT_EQ(versionText("Mozilla/4.08 [de]C-CCK \t\n(x)"), "4.08 (de)C-CCK");
  EXPECT_EQ(versionText("none"), "");
  EXPECT_EQ(versionText("Mozilla/4.79 [en]", 5), "4.79");
}

TEST(HttpErrorMessage, StatusTextAndCodeReplaceThePlaceholderAndWhatFollows) {
  EXPECT_EQ(message(nullptr, "Not Found", 404), "An error occurred while downloading from the server: Not Found (404)");
  EXPECT_EQ(message(nullptr, "", 0), "An error occurred while downloading from the server: 0");
  EXPECT_EQ(message("Fehler %s beim Laden", "Gone", 410), "Fehler Gone (410)");
  EXPECT_EQ(message("No placeholder here", "Gone", 410), "No placeholder here");
  EXPECT_EQ(message("%s", "", 503), "503");
}

TEST(HttpErrorMessage, LongTemplatesAndStatusTextsAreCutToTheBuffer) {
  const std::string longTemplate(3000, 'x');
  EXPECT_EQ(message(longTemplate.c_str(), "", 1), std::string(1599, 'x'));
  EXPECT_EQ(message((std::string(1590, 'y') + "%s").c_str(), "Not Found", 404), std::string(1590, 'y') + "Not Found");
  EXPECT_EQ(message((std::string(1595, 'y') + "%s").c_str(), "Not Found", 404), std::string(1595, 'y') + "Not ");
  EXPECT_EQ(message("ab%s", "Not Found", 404, 8), "abNot F");
}
