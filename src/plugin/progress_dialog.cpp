// The progress dialog's procedures. Each dialog keeps its own background brush and its
// own previous window procedure, so that any number of instances on one page can paint
// and end their dialogs independently.
#include "plugin/progress_dialog.h"

#include "base/module_handle.h"
#include "base/thread_instance.h"
#include "plugin/CMyPlugin.h"
#include "plugin/dialog_protocol.h"
#include "plugin/page_requests.h"

namespace {

constexpr COLORREF kBackground = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kTextColour = RGB(0, 0, 0);
// The window property that holds the dialog's procedure from before the subclassing.
constexpr char kPreviousProcedure[] = "OstrelPreviousDialogProcedure";
// The window property that holds the dialog's instance record, set when it is made.
constexpr char kInstanceProperty[] = "OstrelDialogInstance";

HBRUSH brushOf(HWND dialog) {
  return reinterpret_cast<HBRUSH>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(CreateSolidBrush(kBackground)));
      return 0;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(brushOf(dialog));
    case WM_CTLCOLORSTATIC: {
      const int control = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (control == kProgressTextId) SetTextColor(reinterpret_cast<HDC>(wParam), kTextColour);
      if (control == kProgressTextId || control == kProgressBarId) return reinterpret_cast<INT_PTR>(brushOf(dialog));
      return 0;
    }
    case WM_DESTROY:
      if (HBRUSH brush = brushOf(dialog)) DeleteObject(brush);
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      return 0;
    default:
      return 0;
  }
}

// The worker's requests arrive here so that the browser's services are called on the
// browser's thread, where browsers expect them. The instance is the dialog's own; what
// the message carries is not looked at (any program can post to a window, and the
// redirect's number is also DM_REPOSITION's), and a request the record does not hold
// passes on to the dialog as any other message.
LRESULT CALLBACK subclassProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* plugin = static_cast<CMyPlugin*>(GetPropA(dialog, kInstanceProperty));
  const bool request = message == kCloseRequestMessage || message == kRedirectRequestMessage;
  const PageRequest which = message == kRedirectRequestMessage ? PageRequest::kRedirect : PageRequest::kClosingPage;
  if (request && plugin && (which == PageRequest::kRedirect ? plugin->m_redirectPending : plugin->m_closingPagePending)) {
    const ThreadInstanceScope scope(plugin->m_instanceNumber);
    carryOutPageRequest(*plugin, which);
    return 1;
  }
  const auto previous = reinterpret_cast<WNDPROC>(GetPropA(dialog, kPreviousProcedure));
  return previous ? CallWindowProcA(previous, dialog, message, wParam, lParam) : 1;
}

}  // namespace

HWND createProgressDialog(CMyPlugin& plugin, HWND parent) {
  const HWND dialog = CreateDialogParamA(pluginModule(), MAKEINTRESOURCEA(plugin.m_dialogTemplateId), parent,
                                         dialogProcedure, 0);
  if (!dialog) return nullptr;
  ShowWindow(GetDlgItem(dialog, kProgressBarId), SW_SHOW);
  ShowWindow(GetDlgItem(dialog, kProgressTextId), SW_SHOW);
  if (const char* prompt = plugin.m_page.downloadPrompt)
    SetWindowTextA(GetDlgItem(dialog, kProgressTextId), prompt);
  const LONG_PTR previous =
      SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProcedure));
  SetPropA(dialog, kPreviousProcedure, reinterpret_cast<HANDLE>(previous));
  SetPropA(dialog, kInstanceProperty, &plugin);
  return dialog;
}

void destroyProgressDialog(CMyPlugin& plugin) {
  const HWND dialog = plugin.m_progressDialog;
  if (!dialog) return;
  plugin.m_progressDialog = nullptr;
  RemovePropA(dialog, kInstanceProperty);
  if (const auto previous = reinterpret_cast<LONG_PTR>(RemovePropA(dialog, kPreviousProcedure)))
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, previous);
  DestroyWindow(dialog);
  // A request the dialog never got to (the browser took the window away first) is made
  // here, on the browser's thread, rather than lost.
  carryOutPageRequest(plugin, PageRequest::kRedirect);
  carryOutPageRequest(plugin, PageRequest::kClosingPage);
}
