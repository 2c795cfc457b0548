// The progress dialog on the browser's thread: two instances' dialogs paint and end
// independently, and the requests left for it are made once, on that thread, even when
// the dialog goes first; nothing a message carries is trusted.
#include "plugin/progress_dialog.h"

#include <gtest/gtest.h>

#include "plugin/CMyPlugin.h"
#include "plugin/dialog_protocol.h"
#include "plugin/page_requests.h"
#include "support/plugin_instance.h"
#include "support/test_browser.h"

namespace {

COLORREF backgroundOf(HWND dialog) {
  const HDC context = GetDC(dialog);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(context),
                                                           reinterpret_cast<LPARAM>(dialog)));
  ReleaseDC(dialog, context);
  LOGBRUSH description{};
  if (!brush || GetObjectA(brush, sizeof description, &description) != sizeof description) return CLR_INVALID;
  return description.lbColor;
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_parent = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    TestBrowser::instance().clearRequests();
  }
  void TearDown() override { DestroyWindow(m_parent); }

  HWND m_parent = nullptr;
};

}  // namespace

TEST_F(ProgressDialogTest, TwoDialogsKeepTheirOwnBackgroundWhenTheOtherEnds) {
  PluginInstance first(EmbedParameters{{"DownloadPrompt", "One"}});
  PluginInstance second(EmbedParameters{});
  first.record()->m_progressDialog = createProgressDialog(*first.record(), m_parent);
  second.record()->m_progressDialog = createProgressDialog(*second.record(), m_parent);
  ASSERT_NE(first.record()->m_progressDialog, nullptr);
  ASSERT_NE(second.record()->m_progressDialog, nullptr);
  char text[32] = "";
  GetDlgItemTextA(first.record()->m_progressDialog, kProgressTextId, text, sizeof text);
  EXPECT_STREQ(text, "One");
  GetDlgItemTextA(second.record()->m_progressDialog, kProgressTextId, text, sizeof text);
  EXPECT_STREQ(text, "Downloading...");

  destroyProgressDialog(*first.record());
  EXPECT_EQ(first.record()->m_progressDialog, nullptr);
  // The second dialog still has its brush and its own procedure behind the subclassing.
  EXPECT_EQ(backgroundOf(second.record()->m_progressDialog), RGB(0xFF, 0xFF, 0xFF));
  destroyProgressDialog(*second.record());
}

void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST_F(ProgressDialogTest, ARequestLeftInTheRecordIsMadeOnceAndWhatAMessageCarriesIsIgnored) {
  PluginInstance closing(EmbedParameters{{"CloseWindowUrl", "http://127.0.0.1/bye.html"},
                                         {"RedirectURL", "http://127.0.0.1/next.oscf"}});
  CMyPlugin& plugin = *closing.record();
  plugin.m_progressDialog = createProgressDialog(plugin, m_parent);
  ASSERT_NE(plugin.m_progressDialog, nullptr);
  // Any program may post the dialog these numbers with any pointer: with no request left
  // in the record nothing is made, and nothing is read at the pointer.
  PostMessageA(plugin.m_progressDialog, kRedirectRequestMessage, 0, 0x13);
  PostMessageA(plugin.m_progressDialog, kCloseRequestMessage, 0, 0x13);
  pumpMessages();
  EXPECT_TRUE(TestBrowser::instance().requests().empty());

  ASSERT_TRUE(postPageRequest(plugin, PageRequest::kClosingPage));
  // A second wake-up for the same request makes no second one.
  PostMessageA(plugin.m_progressDialog, kCloseRequestMessage, 0, 0);
  pumpMessages();
  const auto requests = TestBrowser::instance().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "http://127.0.0.1/bye.html");
  EXPECT_EQ(requests[0].target, "_self");
  destroyProgressDialog(plugin);
}

TEST_F(ProgressDialogTest, ARedirectTheDialogNeverGotIsMadeWhenTheWindowIsTakenAway) {
  PluginInstance page(EmbedParameters{{"RedirectURL", "http://127.0.0.1/next.oscf"}});
  CMyPlugin& plugin = *page.record();
  plugin.m_progressDialog = createProgressDialog(plugin, m_parent);
  ASSERT_TRUE(postPageRequest(plugin, PageRequest::kRedirect));
  // The browser takes the window away before its thread dispatched the request.
  EXPECT_EQ(plugin.SetWindow(nullptr), NPERR_NO_ERROR);
  pumpMessages();
  const auto requests = TestBrowser::instance().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "http://127.0.0.1/next.oscf");
  EXPECT_EQ(requests[0].target, "_top");
}
