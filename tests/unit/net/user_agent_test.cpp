// Browser families from the user-agent text, and the Netscape 4 version text.
#include "net/user_agent.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string versionText(const char* userAgent, size_t size = 260) {
  char out[260];
  netscapeVersionText(userAgent, out, size);
  return out;
}

}  // namespace

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
