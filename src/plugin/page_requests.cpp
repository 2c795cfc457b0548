// loadRedirectPage and loadClosingPage: the browser requests that end a page.
#include "plugin/page_requests.h"

#include "base/host_services.h"
#include "base/string_copy.h"
#include "plugin/CMyPlugin.h"

void loadRedirectPage(const CMyPlugin& plugin) {
  const char* target = plugin.GetParameter(plugin.m_targetWindowIndex);
  NPN_GetURLNotify(plugin.m_npp, plugin.GetParameter(plugin.m_redirectUrlIndex), target ? target : "_top",
                   nullptr);
}

void loadClosingPage(const CMyPlugin& plugin) {
  const char* url = plugin.GetParameter(plugin.m_closeWindowUrlIndex);
  if (!url) return;
  // The browser gets a copy of its own allocation, never a pointer into the record.
  char* copy = copyString(url);
  if (!copy) return;
  NPN_GetURL(plugin.m_npp, copy, "_self");
  NPN_MemFree(copy);
}
