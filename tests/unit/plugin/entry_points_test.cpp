// The exports: table checks, browser versions, and the callbacks the table carries.
#include "entry/entry_points.h"

#include <gtest/gtest.h>

#include "base/host_services.h"
#include "entry/npp_callbacks.h"
#include "support/test_browser.h"

namespace {

// Slot values a browser would never use, to see which slots the plug-in writes.
void* const kUntouched = reinterpret_cast<void*>(0x5A5A5A5A);

NPPluginFuncs untouchedPluginTable() {
  NPPluginFuncs table;
  std::fill_n(reinterpret_cast<void**>(&table.newp), 14, kUntouched);
  table.size = sizeof table;
  table.version = 0x7777;
  return table;
}

class EntryPoints : public ::testing::Test {
 protected:
  void TearDown() override { TestBrowser::instance().install(); }

  NPNetscapeFuncs browserOfVersion(uint16 version) {
    NPNetscapeFuncs table = TestBrowser::instance().table();
    table.version = version;
    return table;
  }
};

}  // namespace

TEST_F(EntryPoints, NullTablesAreRefusedAndChangeNothing) {
  NPNetscapeFuncs* browserBefore = browserFuncs();
  NPPluginFuncs* pluginBefore = pluginFuncs();
  EXPECT_EQ(NP_GetEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
  EXPECT_EQ(NP_Initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
  EXPECT_EQ(browserFuncs(), browserBefore);
  EXPECT_EQ(pluginFuncs(), pluginBefore);
}

TEST_F(EntryPoints, GetEntryPointsFillsTheCallbacksAndVersionNine) {
  NPPluginFuncs table = untouchedPluginTable();
  ASSERT_EQ(NP_GetEntryPoints(&table), NPERR_NO_ERROR);
  EXPECT_EQ(table.size, sizeof table);  // the browser's to fill
  EXPECT_EQ(table.version, 9);
  EXPECT_EQ(table.newp, &NPP_New);
  EXPECT_EQ(table.destroy, &NPP_Destroy);
  EXPECT_EQ(table.setwindow, &NPP_SetWindow);
  EXPECT_EQ(table.newstream, &NPP_NewStream);
  EXPECT_EQ(table.destroystream, &NPP_DestroyStream);
  EXPECT_EQ(table.asfile, &NPP_StreamAsFile);
  EXPECT_EQ(table.writeready, &NPP_WriteReady);
  EXPECT_EQ(table.write, &NPP_Write);
  EXPECT_EQ(table.print, &NPP_Print);
  EXPECT_EQ(table.event, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(table.urlnotify), kUntouched);
  EXPECT_EQ(reinterpret_cast<void*>(table.getvalue), kUntouched);
  EXPECT_EQ(reinterpret_cast<void*>(table.setvalue), kUntouched);
  EXPECT_EQ(pluginFuncs(), &table);
}

TEST_F(EntryPoints, BrowserWithoutNotificationGetsNoUrlNotify) {
  NPPluginFuncs table = untouchedPluginTable();
  NPNetscapeFuncs browser = browserOfVersion(0x0008);
  NP_GetEntryPoints(&table);
  ASSERT_EQ(NP_Initialize(&browser), NPERR_NO_ERROR);
  EXPECT_EQ(reinterpret_cast<void*>(table.urlnotify), kUntouched);
  EXPECT_EQ(table.javaClass, kUntouched);

  TestBrowser::instance().clearRequests();
  _NPP npp{};
  EXPECT_EQ(NPN_GetURLNotify(&npp, "http://127.0.0.1/x", "_top", nullptr),
            NPERR_INCOMPATIBLE_VERSION_ERROR);
  EXPECT_TRUE(TestBrowser::instance().requests().empty());
  EXPECT_EQ(NPN_GetURL(&npp, "http://127.0.0.1/y", "_self"), NPERR_NO_ERROR);
  EXPECT_EQ(TestBrowser::instance().requests().size(), 1u);
}

TEST_F(EntryPoints, BrowsersFromVersionNineGetUrlNotifyAndNoJavaClass) {
  for (uint16 version : {uint16{0x0009}, uint16{0x000B}}) {
    NPPluginFuncs table = untouchedPluginTable();
    NPNetscapeFuncs browser = browserOfVersion(version);
    NP_GetEntryPoints(&table);
    ASSERT_EQ(NP_Initialize(&browser), NPERR_NO_ERROR) << version;
    EXPECT_EQ(table.urlnotify, &NPP_URLNotify) << version;
    EXPECT_EQ(table.javaClass, nullptr) << version;
  }
}

TEST_F(EntryPoints, MajorVersionOneIsRefusedButTheTableIsKept) {
  NPPluginFuncs table = untouchedPluginTable();
  NPNetscapeFuncs browser = browserOfVersion(0x0100);
  NP_GetEntryPoints(&table);
  EXPECT_EQ(NP_Initialize(&browser), NPERR_INCOMPATIBLE_VERSION_ERROR);
  EXPECT_EQ(browserFuncs(), &browser);
  EXPECT_EQ(reinterpret_cast<void*>(table.urlnotify), kUntouched);
}

TEST_F(EntryPoints, ShutdownForgetsTheBrowser) {
  EXPECT_EQ(NP_Shutdown(), NPERR_NO_ERROR);
  EXPECT_EQ(browserFuncs(), nullptr);
  // Without a browser the services answer as a failing one would.
  EXPECT_EQ(NPN_MemAlloc(8), nullptr);
  EXPECT_EQ(NPN_UserAgent(nullptr), nullptr);
}
