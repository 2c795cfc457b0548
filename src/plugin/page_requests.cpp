// loadRedirectPage, loadClosingPage and the requests that wait for the dialog.
#include "plugin/page_requests.h"

#include "base/host_services.h"
#include "base/run_control.h"
#include "base/scoped_block.h"
#include "base/string_copy.h"
#include "log/install_log.h"
#include "plugin/CMyPlugin.h"
#include "plugin/dialog_protocol.h"

namespace {

volatile LONG& pendingFlag(CMyPlugin& plugin, PageRequest request) {
  return request == PageRequest::kRedirect ? plugin.m_redirectPending : plugin.m_closingPagePending;
}

UINT messageFor(PageRequest request) {
  return request == PageRequest::kRedirect ? kRedirectRequestMessage : kCloseRequestMessage;
}

}  // namespace

void loadRedirectPage(const CMyPlugin& plugin) {
  const char* target = plugin.m_page.targetWindow;
  const NPError result = NPN_GetURLNotify(plugin.m_npp, plugin.m_page.redirectUrl, target ? target : "_top", nullptr);
  if (result == NPERR_NO_ERROR) return;
  const auto held = lockInstallLog();
  logText("The browser refused to load the RedirectURL: error ");
  logSignedLine(result);
}

void loadClosingPage(const CMyPlugin& plugin) {
  const char* url = plugin.m_page.closeWindowUrl;
  if (!url) return;
  // The browser gets a copy of its own allocation, never a pointer into the record.
  const ScopedBlock<char> copy(copyString(url));
  if (copy) NPN_GetURL(plugin.m_npp, copy.get(), "_self");
}

bool postPageRequest(CMyPlugin& plugin, PageRequest request) {
  const HWND dialog = plugin.m_progressDialog;
  if (!dialog) return false;
  volatile LONG& pending = pendingFlag(plugin, request);
  InterlockedExchange(&pending, 1);
  if (PostMessageA(dialog, messageFor(request), 0, 0)) return true;
  // Not woken: the request is the caller's again, unless the dialog took it meanwhile.
  return InterlockedExchange(&pending, 0) == 0;
}

void carryOutPageRequest(CMyPlugin& plugin, PageRequest request) {
  if (InterlockedExchange(&pendingFlag(plugin, request), 0) == 0) return;
  if (runCancelled(plugin)) {
    logLine(request == PageRequest::kRedirect ? "The page was left before the browser was sent to the RedirectURL."
                                              : "The page was left before the closing page was loaded.");
    return;
  }
  if (request == PageRequest::kRedirect)
    loadRedirectPage(plugin);
  else
    loadClosingPage(plugin);
}
