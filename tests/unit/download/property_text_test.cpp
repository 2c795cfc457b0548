// Both properties dialects: line ends, comments, escapes, first key wins, nothing trimmed,
// and the configuration-file limits.
#include "download/property_text.h"

#include <gtest/gtest.h>

#include "map_pairs.h"

TEST(PackageListText, FirstKeyWinsAndEveryLineEndSeparates) {
  EXPECT_EQ(packageListPairs("a=1\na=2"), (Pairs{{"a", "1"}}));
  EXPECT_EQ(packageListPairs("a=1\r\nb=2\nc=3\rd=4"),
            (Pairs{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}));
  EXPECT_EQ(packageListPairs("a=x\nb="), (Pairs{{"a", "x"}, {"b", ""}}));  // no final line end
}

TEST(PackageListText, KeepsBlanksHashesAndEqualsWhereTheyStand) {
  EXPECT_EQ(packageListPairs("#a=1\n a = 1 \nb#c=d\nk=v#w\n=a=b\n==\n="),
            (Pairs{{" a ", " 1 "}, {"=", ""}, {"=a", "b"}, {"b#c", "d"}, {"k", "v#w"}}));
  EXPECT_EQ(packageListPairs("junk\nkey=v"), (Pairs{{"key", "v"}}));
}

TEST(PackageListText, ResolvesEscapesInValuesOnly) {
  EXPECT_EQ(packageListPairs("a=x\\\\y\nb=x\\=y\nc=x\\ny\\rz\nd=\\q\nk\\n=v\ne=end\\"),
            (Pairs{{"a", "x\\y"}, {"b", "x=y"}, {"c", "x\ny\rz"}, {"d", "q"}, {"e", "end\\"},
                   {"k\\n", "v"}}));
  // An escaped line end stays in the value: with LF the value goes on, with CR LF the CR
  // stays and the LF still ends the line.
  EXPECT_EQ(packageListPairs("a=x\\\ny\nb=1"), (Pairs{{"a", "x\ny"}, {"b", "1"}}));
  EXPECT_EQ(packageListPairs("a=x\\\r\nb=1"), (Pairs{{"a", "x\r"}, {"b", "1"}}));
}

TEST(PackageListText, ReadsOnlyTheGivenBytes) {
  CPropertyMap map;
  EXPECT_EQ(parsePropertyText(map, "a=12\nb=3", 3), 0);
  EXPECT_EQ(pairsOf(map), (Pairs{{"a", "1"}}));
}

TEST(ConfigurationText, OnlyCrLfEndsALine) {
  EXPECT_EQ(configurationPairs("a=1\nb=2\n"), (Pairs{{"a", "1\nb=2"}}));
  EXPECT_EQ(configurationPairs("a=1\rb=2\r\nc=3\r\r\nd=4"),
            (Pairs{{"a", "1\rb=2"}, {"c", "3"}, {"d", "4"}}));
}

TEST(ConfigurationText, SkipsCommentsAndKeylessLinesAndTrimsNothing) {
  EXPECT_EQ(configurationPairs("#a=1\r\n=b\r\nnone\r\n\r\na=b=c\r\n k#\\n = v \r\na=2"),
            (Pairs{{" k#\\n ", " v "}, {"a", "b=c"}}));
}

TEST(ConfigurationText, DropsPairsBeyondTheLimitsWhole) {
  const std::string key255(255, 'k'), value4095(4095, 'v');
  CPropertyMap map;
  const std::string text = key255 + "=1\r\n" + key255 + "k=2\r\na=" + value4095 + "\r\nb=" +
                           value4095 + "v\r\nc=" + value4095 + "\n";
  EXPECT_EQ(parseConfigurationText(map, text.data(), text.size()), 2);
  EXPECT_EQ(pairsOf(map), (Pairs{{"a", value4095}, {"c", value4095}, {key255, "1"}}));
}

// The server's error is never dropped: a refusal too long to keep still refuses.
TEST(ConfigurationText, KeepsTheStartOfAServerErrorTooLongToKeep) {
  std::string error;
  for (int n = 0; error.size() < 5000; ++n) error += std::to_string(n) + " ";
  CPropertyMap map;
  const std::string text = "updater.error=" + error + "\r\nupdater.errors=" + error + "\r\nb=1";
  EXPECT_EQ(parseConfigurationText(map, text.data(), text.size()), 1);
  EXPECT_EQ(pairsOf(map), (Pairs{{"b", "1"}, {"updater.error", error.substr(0, 1000)}}));
}
