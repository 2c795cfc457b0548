// The main function of every unit test program: installs the test browser, runs the tests.
#include <gtest/gtest.h>

#include "support/test_browser.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TestBrowser::instance().install();
  return RUN_ALL_TESTS();
}
