// Preference-line and bypass-list text rules.
#include <gtest/gtest.h>

#include <string>

#include "net/prefs_text.h"

namespace {

std::string normalized(std::string line, void (*rule)(char*)) {
  rule(&line[0]);
  return line.c_str();
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

TEST(SystemBypassList, DomainsGetTheWildcardAndEntriesThatDoNotFitAreLeftOut) {
  char out[40];
  toSystemBypassList("localhost|.corp.example||10.0.0.1", out, sizeof out);
  EXPECT_STREQ(out, "localhost;*.corp.example;10.0.0.1");
  toSystemBypassList("a.example|a-very-very-long-host-name.example|b", out, sizeof out);
  EXPECT_STREQ(out, "a.example;b");
  toSystemBypassList("", out, sizeof out);
  EXPECT_STREQ(out, "");
}
