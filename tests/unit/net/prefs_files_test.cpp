// Reading prefs.js line by line, and finding the profile's prefs.js.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/install_log.h"
#include "net/prefs_reader.h"
#include "net/profile_prefs.h"
#include "support/net_fixture.h"

namespace {

constexpr char kFirefoxProfiles[] = "Application Data\\Mozilla\\Firefox\\Profiles";

std::vector<std::string> readLines(const std::string& content, int lineSize = kPrefsLineBufferSize) {
  TestTree folder("lines");
  const std::string path = folder.write("prefs.js", content);
  HANDLE file = openPrefsFile(path.c_str());
  std::vector<std::string> lines;
  char line[kPrefsLineBufferSize];
  char carry[kPrefsLineBufferSize] = {};
  int length = 0;
  while ((length = readPrefsLine(file, line, lineSize, carry, sizeof carry)) > 0) {
    EXPECT_EQ(length, static_cast<int>(std::string(line).size()));
    lines.push_back(line);
  }
  CloseHandle(file);
  return lines;
}

std::string prefsPathFor(ProfileFamily family) {
  char out[260] = "stale";
  getNSUserPrefsPath(family, out, sizeof out);
  return out;
}

class ProfilePrefs : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override { releaseInstallLog(); }

  TestTree m_user{"user"};
  TestTree m_appData{"appdata"};
  TestTree m_windows{"windir"};
};

}  // namespace

TEST(PrefsReader, LinesKeepTheirWholeRunOfLineEnds) {
  EXPECT_EQ(readLines("a\nb\r\nc"), (std::vector<std::string>{"a\n", "b\r\n", "c"}));
  EXPECT_EQ(readLines("a\r\n\r\nb\n"), (std::vector<std::string>{"a\r\n\r\n", "b\n"}));
  EXPECT_EQ(readLines("old\rmac\r"), (std::vector<std::string>{"old\r", "mac\r"}));
  EXPECT_TRUE(readLines("").empty());
}

TEST(PrefsReader, LinesLongerThanTheBuffersComeInPieces) {
  const std::string longLine(3000, 'x');
  EXPECT_EQ(readLines(longLine + "\ny\n"),
            (std::vector<std::string>{std::string(2047, 'x'), std::string(953, 'x') + "\n", "y\n"}));
  EXPECT_EQ(readLines("0123456789abcdefghij\nz", 16), (std::vector<std::string>{"0123456789abcde", "fghij\n", "z"}));
}

TEST_F(ProfilePrefs, CandidatesAreTriedUserProfileThenAppDataThenWindows) {
  m_user.write(std::string(kFirefoxProfiles) + "\\u.default\\prefs.js", "user");
  m_appData.write("Mozilla\\Firefox\\Profiles\\a.default\\prefs.js", "appdata");
  m_windows.write(std::string(kFirefoxProfiles) + "\\w.default\\prefs.js", "windir");
  ScopedEnvironment appData("APPDATA", m_appData.path().c_str());
  ScopedEnvironment windows("WINDIR", (m_windows.path() + "\\").c_str());
  {
    ScopedEnvironment user("USERPROFILE", m_user.path().c_str());
    EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Firefox)), "user");
  }
  ScopedEnvironment noUser("USERPROFILE", nullptr);
  EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Firefox)), "appdata");
  ScopedEnvironment noAppData("APPDATA", nullptr);
  EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Firefox)), "windir");
  EXPECT_EQ(installLogText(), "");
}

TEST_F(ProfilePrefs, MissingProfilesFoldersAreLoggedPerFamily) {
  ScopedEnvironment user("USERPROFILE", m_user.path().c_str());
  ScopedEnvironment appData("APPDATA", nullptr);
  ScopedEnvironment windows("WINDIR", m_windows.path().c_str());
  EXPECT_EQ(prefsPathFor(ProfileFamily::Firefox), "");
  EXPECT_EQ(prefsPathFor(ProfileFamily::Mozilla), "");
  EXPECT_EQ(installLogText(),
            "getNSUserPrefsPath() could not find the Firefox installation!\r\n"
            "getNSUserPrefsPath() could not find the Netscape installation!\r\n");
}

TEST_F(ProfilePrefs, TheEarliestReadPrefsFileOfTheTreeIsChosen) {
  const std::string profiles = m_user.path() + "\\Application Data\\Mozilla\\Profiles";
  const std::string first = m_user.write("Application Data\\Mozilla\\Profiles\\alpha\\prefs.js", "alpha");
  const std::string nested = m_user.write("Application Data\\Mozilla\\Profiles\\beta\\x1\\prefs.js", "nested");
  const std::string top = m_user.write("Application Data\\Mozilla\\Profiles\\prefs.js", "top");
  setLastAccess(first, 130000000000000000ULL);
  setLastAccess(nested, 120000000000000000ULL);
  setLastAccess(top, 125000000000000000ULL);
  ScopedEnvironment user("USERPROFILE", m_user.path().c_str());
  EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Mozilla)), "nested");
  setLastAccess(top, 110000000000000000ULL);
  EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Mozilla)), "top");
}

TEST_F(ProfilePrefs, VeryDeepTreesAreNotEnteredBeyondTheLimit) {
  std::string deep = "Application Data\\Mozilla\\Profiles";
  for (int level = 0; level <= kMaxProfileTreeDepth; ++level) deep += "\\d";
  m_user.write(deep + "\\prefs.js", "too deep");
  ScopedEnvironment user("USERPROFILE", m_user.path().c_str());
  EXPECT_EQ(prefsPathFor(ProfileFamily::Mozilla), "");
  m_user.write("Application Data\\Mozilla\\Profiles\\d\\d\\prefs.js", "shallow");
  EXPECT_EQ(readFile(prefsPathFor(ProfileFamily::Mozilla)), "shallow");
}

TEST_F(ProfilePrefs, AFolderLinkedBackToItsParentEndsTheWalk) {
  // The fixture made .../Profiles/a.default/back pointing at Profiles.
  ScopedEnvironment user("USERPROFILE", (FixtureServer::instance().directory() + "\\loop").c_str());
  const std::string chosen = prefsPathFor(ProfileFamily::Firefox);
  EXPECT_EQ(readFile(chosen), "user_pref(\"intl.accept_languages\", \"fi\");\n");
}
