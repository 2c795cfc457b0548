// The instance callbacks: creation and teardown, their answers, a fault inside a guarded
// method, and the out-of-memory instance.
#include "entry/npp_callbacks.h"

#include <gtest/gtest.h>

#include "log/install_log.h"
#include "plugin/CMyPlugin.h"
#include "support/install_log_text.h"
#include "support/message_box_watcher.h"
#include "support/plugin_instance.h"
#include "support/test_browser.h"

namespace {

class Callbacks : public ::testing::Test {
 protected:
  void SetUp() override { releaseInstallLog(); }
  void TearDown() override {
    TestBrowser::instance().stopFailingAllocations();
    releaseInstallLog();
  }

  // A window starts the instance's worker, whose failed update ends in a box.
  MessageBoxWatcher m_boxes;
};

}  // namespace

TEST_F(Callbacks, DestroyReturnsEverythingTheInstanceTook) {
  const long long bytes = TestBrowser::instance().balanceBytes();
  const long long blocks = TestBrowser::instance().liveBlocks();
  {
    PluginInstance plugin({{"RedirectURL", "http://127.0.0.1/launch.oscf"},
                           {"NumFiles", "2"},
                           {"File0", "client.cab"},
                           {"FileSize0", "100"},
                           {"File1", "updater.zip"},
                           {"DocumentEncoding", "UTF-8"}});
    ASSERT_EQ(plugin.newResult, NPERR_NO_ERROR);
    EXPECT_EQ(plugin.record()->m_npp, &plugin.npp);
    EXPECT_NE(plugin.record()->m_workerDoneEvent, nullptr);
    EXPECT_EQ(plugin.destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.npp.pdata, nullptr);
  }
  // The install log is the library's, not the instance's: it outlives every instance.
  releaseInstallLog();
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), bytes);
  EXPECT_EQ(TestBrowser::instance().liveBlocks(), blocks);
}

TEST_F(Callbacks, StreamAndPrintCallbacksTakeNothing) {
  PluginInstance plugin({});
  releaseInstallLog();  // what opening the session logged
  uint16 streamType = 0;
  NPStream stream{};
  char data[4] = "abc";
  EXPECT_EQ(NPP_NewStream(&plugin.npp, nullptr, &stream, 0, &streamType), NPERR_GENERIC_ERROR);
  EXPECT_EQ(NPP_DestroyStream(&plugin.npp, &stream, NPRES_DONE), NPERR_NO_ERROR);
  EXPECT_EQ(NPP_WriteReady(&plugin.npp, &stream), 0);
  EXPECT_EQ(NPP_Write(&plugin.npp, &stream, 0, 3, data), 0);
  NPP_StreamAsFile(&plugin.npp, &stream, "C:\\x");
  NPP_Print(&plugin.npp, nullptr);
  NPP_URLNotify(&plugin.npp, "http://127.0.0.1/", NPRES_DONE, nullptr);
  EXPECT_EQ(installLogText(), "");
}

TEST_F(Callbacks, SetWindowKeepsTheFirstWindowAndForgetsItOnNull) {
  PluginInstance plugin({});
  NPWindow first{};
  first.window = reinterpret_cast<void*>(0x1234);
  NPWindow noHandle{};
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, &noHandle), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.record()->m_npWindow, nullptr);
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, &first), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.record()->m_npWindow, &first);
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.record()->m_npWindow, nullptr);
}

TEST_F(Callbacks, UnreadableWindowRecordIsCaughtAndAnsweredWithOne) {
  PluginInstance plugin({});
  releaseInstallLog();  // what opening the session logged
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, reinterpret_cast<NPWindow*>(0x10)), NPERR_GENERIC_ERROR);
  EXPECT_EQ(installLogText(),
            "pluginExceptionHandler() was called!\r\n"
            "Exception caught in CMyPlugin::SetWindow().  Exception number: 3221225477\r\n");
  // The instance goes on as before.
  NPWindow window{};
  window.window = reinterpret_cast<void*>(0x99);
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, &window), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.record()->m_npWindow, &window);
}

TEST_F(Callbacks, RecordThatCannotBeAllocatedGivesOutOfMemoryAndHarmlessCallbacks) {
  const long long bytes = TestBrowser::instance().balanceBytes();
  TestBrowser::instance().failAllocationsAfter(0);
  PluginInstance plugin(EmbedParameters{{"RedirectURL", "http://127.0.0.1/"}});
  TestBrowser::instance().stopFailingAllocations();
  EXPECT_EQ(plugin.newResult, NPERR_OUT_OF_MEMORY_ERROR);
  EXPECT_EQ(plugin.npp.pdata, nullptr);

  NPWindow window{};
  window.window = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, &window), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_NewStream(&plugin.npp, nullptr, nullptr, 0, nullptr), NPERR_GENERIC_ERROR);
  EXPECT_EQ(NPP_DestroyStream(&plugin.npp, nullptr, NPRES_DONE), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_WriteReady(&plugin.npp, nullptr), 0);
  NPP_URLNotify(&plugin.npp, "http://127.0.0.1/", NPRES_DONE, nullptr);
  EXPECT_EQ(NPP_Destroy(&plugin.npp, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), bytes);
}

TEST_F(Callbacks, ParametersThatCannotBeCopiedLeaveAnInstanceWithoutThem) {
  // The record itself fits; the copies of names and values do not.
  TestBrowser::instance().failAllocationsAfter(1);
  PluginInstance plugin({{"RedirectURL", "http://127.0.0.1/"}, {"NumFiles", "1"}});
  TestBrowser::instance().stopFailingAllocations();
  ASSERT_EQ(plugin.newResult, NPERR_NO_ERROR);
  EXPECT_EQ(plugin.record()->m_page.argNames, nullptr);
  EXPECT_EQ(plugin.record()->m_page.redirectUrl, nullptr);
}

TEST_F(Callbacks, NullInstanceIsRefused) {
  EXPECT_EQ(NPP_New(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
            NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_Destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_SetWindow(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
}
