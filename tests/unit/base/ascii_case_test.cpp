// The ASCII case rule at its edges: the characters next to the letter ranges differ from
// each other by the same bit as a letter's two cases, yet must never match.
#include "base/ascii_case.h"

#include <gtest/gtest.h>

#include <utility>

TEST(AsciiCase, OnlyLettersMatchTheirOtherCase) {
  EXPECT_TRUE(equalsIgnoringCase("Package.PROPERTIES", "package.properties"));
  for (const auto& pair : {std::pair{"@", "`"}, std::pair{"[", "{"}, std::pair{"\\", "|"}, std::pair{"]", "}"},
                           std::pair{"^", "~"}, std::pair{"_", "\x7F"}, std::pair{"\xC9", "\xE9"}}) {
    SCOPED_TRACE(pair.first);
    EXPECT_FALSE(equalsIgnoringCase(pair.first, pair.second));
    EXPECT_FALSE(startsWithIgnoringCase(pair.second, pair.first));
  }
}

TEST(AsciiCase, ATextShorterThanThePrefixDoesNotStartWithIt) {
  EXPECT_TRUE(startsWithIgnoringCase("HTTPS://host/", "https://"));
  EXPECT_FALSE(startsWithIgnoringCase("HTTPS:", "https://"));
  EXPECT_FALSE(equalsIgnoringCase("client.ca", "CLIENT.CAB"));
}
