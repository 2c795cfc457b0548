// Fixed buffers: cut texts always fit, whole texts and joined paths go in whole or not
// at all, and no call writes past the buffer's end.
#include "base/bounded_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/path_text.h"

namespace {

// A buffer of size bytes followed by guard bytes that no call may touch.
struct GuardedBuffer {
  explicit GuardedBuffer(size_t bufferSize) : size(bufferSize) { std::memset(bytes, '#', sizeof bytes); }
  bool guardIntact() const {
    for (size_t i = size; i < sizeof bytes; ++i)
      if (bytes[i] != '#') return false;
    return true;
  }
  size_t size;
  char bytes[64];
};

}  // namespace

TEST(BoundedText, CutTextsAreShortenedToTheBufferAndSayWhenTheyWereCut) {
  GuardedBuffer out(8);
  copyCut(out.bytes, out.size, "0123456789");
  EXPECT_STREQ(out.bytes, "0123456");
  copyCut(out.bytes, out.size, "ab");
  EXPECT_TRUE(appendCut(out.bytes, out.size, "cdefg"));
  EXPECT_STREQ(out.bytes, "abcdefg");
  EXPECT_FALSE(appendCut(out.bytes, out.size, "h"));
  EXPECT_STREQ(out.bytes, "abcdefg");
  EXPECT_TRUE(out.guardIntact());
}

TEST(BoundedText, WholeTextsGoInWholeOrLeaveTheBufferAsItWas) {
  GuardedBuffer out(8);
  EXPECT_FALSE(copyWhole(out.bytes, out.size, "01234567"));
  EXPECT_STREQ(out.bytes, "");
  EXPECT_TRUE(copyWhole(out.bytes, out.size, "0123456"));
  EXPECT_TRUE(copyWhole(out.bytes, out.size, "abc"));
  EXPECT_FALSE(appendWhole(out.bytes, out.size, "defgh"));
  EXPECT_STREQ(out.bytes, "abc");
  EXPECT_TRUE(appendWhole(out.bytes, out.size, "defgh", 4));
  EXPECT_STREQ(out.bytes, "abcdefg");
  EXPECT_TRUE(out.guardIntact());
}

TEST(PathText, JoinedPathsThatDoNotFitAreRefusedAndSeparatorsAreNotDoubled) {
  char path[kPathCapacity];
  EXPECT_TRUE(joinPath(path, sizeof path, "C:\\dir", "name"));
  EXPECT_STREQ(path, "C:\\dir\\name");
  // 250 + "\" + 8 is the 259 characters a path may have; one more does not fit.
  EXPECT_TRUE(joinPath(path, sizeof path, std::string(250, 'd').c_str(), "01234567"));
  EXPECT_FALSE(joinPath(path, sizeof path, std::string(250, 'd').c_str(), "012345678"));
  copyCut(path, sizeof path, "C:\\dir\\");
  EXPECT_TRUE(appendSeparator(path, sizeof path));
  EXPECT_STREQ(path, "C:\\dir\\");
  copyCut(path, sizeof path, std::string(kPathCapacity - 1, 'p').c_str());
  EXPECT_FALSE(appendSeparator(path, sizeof path));
}
