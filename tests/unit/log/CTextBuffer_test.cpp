// CTextBuffer: the growth rule, number formatting, cutting and copying.
#include "log/CTextBuffer.h"

#include <gtest/gtest.h>

#include <string>

#include "base/host_services.h"
#include "support/test_browser.h"

TEST(CTextBuffer, StartsWithSixteenZeroedBytes) {
  CTextBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 16);
  EXPECT_EQ(buffer.length(), 0);
  EXPECT_STREQ(buffer.text(), "");
}

TEST(CTextBuffer, GrowsToTwiceAndTwoOrToWhatIsNeeded) {
  CTextBuffer twenty;
  twenty.append(std::string(20, 'a').c_str());
  EXPECT_EQ(twenty.capacity(), 34);  // the larger of 2 * 16 + 2 and 21
  EXPECT_EQ(twenty.length(), 20);

  CTextBuffer hundred;
  hundred.append(std::string(100, 'b').c_str());
  EXPECT_EQ(hundred.capacity(), 101);
  EXPECT_EQ(hundred.text(), std::string(100, 'b'));
}

TEST(CTextBuffer, AppendsChainIntoOneLine) {
  CTextBuffer buffer;
  buffer.append("x=").appendSigned(-42).appendChar(' ').appendUnsigned(3221225477u).append("\r\n");
  EXPECT_STREQ(buffer.text(), "x=-42 3221225477\r\n");
}

TEST(CTextBuffer, FormatsTheExtremesOfBothNumberKinds) {
  CTextBuffer buffer;
  buffer.appendSigned(INT32_MIN).appendChar('|').appendSigned(INT32_MAX).appendChar('|')
      .appendSigned(0).appendChar('|').appendUnsigned(0).appendChar('|').appendUnsigned(UINT32_MAX);
  EXPECT_STREQ(buffer.text(), "-2147483648|2147483647|0|0|4294967295");
}

TEST(CTextBuffer, SetLengthCutsOrOnlyMakesRoom) {
  CTextBuffer buffer;
  buffer.append("abcdefghij");
  buffer.setLength(4);
  EXPECT_STREQ(buffer.text(), "abcd");
  EXPECT_EQ(buffer.capacity(), 16);  // the block stays

  buffer.setLength(40);
  EXPECT_STREQ(buffer.text(), "abcd");
  EXPECT_GE(buffer.capacity(), 41);

  buffer.setLength(0);
  EXPECT_EQ(buffer.length(), 0);
  EXPECT_GE(buffer.capacity(), 41);  // never shrinks
}

TEST(CTextBuffer, AppendsAnotherBufferAndItself) {
  CTextBuffer first;
  CTextBuffer second;
  first.append("left-");
  second.append("right");
  first.appendBuffer(second);
  EXPECT_STREQ(first.text(), "left-right");
  first.appendBuffer(first);
  EXPECT_STREQ(first.text(), "left-rightleft-right");
}

TEST(CTextBuffer, CopyAndReleaseReturnEveryBlock) {
  const long long before = TestBrowser::instance().balanceBytes();
  {
    CTextBuffer buffer;
    buffer.append("copy me");
    char* copy = buffer.copyText();
    EXPECT_STREQ(copy, "copy me");
    NPN_MemFree(copy);
    buffer.release();
    EXPECT_EQ(buffer.capacity(), 0);
    EXPECT_STREQ(buffer.text(), "");
    buffer.append("again");  // a released buffer takes a new block on demand
    EXPECT_STREQ(buffer.text(), "again");
  }
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), before);
}

TEST(CTextBuffer, AllocatorWithoutRoomDropsTheAppendWhole) {
  CTextBuffer buffer;
  buffer.append("kept");
  TestBrowser::instance().failAllocationsAfter(0);
  buffer.append(std::string(50, 'z').c_str());
  EXPECT_EQ(buffer.copyText(), nullptr);
  TestBrowser::instance().stopFailingAllocations();
  EXPECT_STREQ(buffer.text(), "kept");
  EXPECT_EQ(buffer.capacity(), 16);
}
