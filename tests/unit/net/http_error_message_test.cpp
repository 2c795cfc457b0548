// The sentence shown for an HTTP error, from the page's template and the server's status.
#include "net/http_error_message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string message(const char* messageTemplate, const char* statusText, uint32_t code, size_t size = 1600) {
  char out[kHttpErrorMessageSize];
  composeHttpErrorMessage(messageTemplate, statusText, code, out, size);
  return out;
}

}  // namespace

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
