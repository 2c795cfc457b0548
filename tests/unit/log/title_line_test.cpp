// Title and separator lines.
#include "log/title_line.h"

#include <gtest/gtest.h>

#include <string>

#include "log/CTextBuffer.h"

namespace {

std::string titleLine(const char* title, const char* fill, int width) {
  CTextBuffer buffer;
  appendTitleLine(title, fill, width, buffer);
  return buffer.text();
}

}  // namespace

TEST(TitleLine, CentresTheTitleWithTheOddFillOnTheRight) {
  const std::string title = "Log of NPOstrelUpdater.dll Messages";
  ASSERT_EQ(title.size(), 35u);
  EXPECT_EQ(titleLine(title.c_str(), "-", 80),
            std::string(21, '-') + " " + title + " " + std::string(22, '-') + "\r\n");
  EXPECT_EQ(titleLine("NPOstrelUpdater.dll", "-", 80),
            std::string(29, '-') + " NPOstrelUpdater.dll " + std::string(30, '-') + "\r\n");
}

TEST(TitleLine, WithoutTitleIsAllFill) {
  EXPECT_EQ(titleLine(nullptr, "-", 80), std::string(80, '-') + "\r\n");
  EXPECT_EQ(titleLine("", "=", 10), std::string(10, '=') + "\r\n");
}

TEST(TitleLine, TitleWiderThanTheLineGetsNoFill) {
  EXPECT_EQ(titleLine("a title that is long", "-", 8), " a title that is long \r\n");
}

TEST(TitleLine, SeparatorIsEightyDashes) {
  CTextBuffer buffer;
  appendSeparatorLine(buffer);
  EXPECT_EQ(std::string(buffer.text()), std::string(80, '-') + "\r\n");
}
