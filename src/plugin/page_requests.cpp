// loadRedirectPage and loadClosingPage: the browser requests that end a page.
#include "plugin/page_requests.h"

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/string_copy.h"
#include "plugin/CMyPlugin.h"

void loadRedirectPage(const CMyPlugin& plugin) {
  const char* target = plugin.m_page.targetWindow;
  NPN_GetURLNotify(plugin.m_npp, plugin.m_page.redirectUrl, target ? target : "_top",
                   nullptr);
}

void loadClosingPage(const CMyPlugin& plugin) {
  const char* url = plugin.m_page.closeWindowUrl;
  if (!url) return;
  // The browser gets a copy of its own allocation, never a pointer into the record.
  const ScopedBlock<char> copy(copyString(url));
  if (copy) NPN_GetURL(plugin.m_npp, copy.get(), "_self");
}
