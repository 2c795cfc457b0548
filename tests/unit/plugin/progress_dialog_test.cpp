// The progress dialog on the browser's thread: two instances' dialogs paint and end
// independently, and the close request loads the instance's closing page.
#include "plugin/progress_dialog.h"

#include <gtest/gtest.h>

#include "plugin/dialog_protocol.h"
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

TEST_F(ProgressDialogTest, TheCloseRequestLoadsTheClosingPageOnlyWhenThereIsOne) {
  PluginInstance closing(EmbedParameters{{"CloseWindowUrl", "http://127.0.0.1/bye.html"}});
  PluginInstance plain(EmbedParameters{});
  const HWND dialog = createProgressDialog(*closing.record(), m_parent);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(SendMessageA(dialog, kCloseRequestMessage, 0, reinterpret_cast<LPARAM>(closing.record())), 1);
  // Without a closing page, or without an instance, the message goes on to the dialog.
  SendMessageA(dialog, kCloseRequestMessage, 0, reinterpret_cast<LPARAM>(plain.record()));
  SendMessageA(dialog, kCloseRequestMessage, 0, 0);
  const auto requests = TestBrowser::instance().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "http://127.0.0.1/bye.html");
  EXPECT_EQ(requests[0].target, "_self");
  closing.record()->m_progressDialog = dialog;
  destroyProgressDialog(*closing.record());
}
