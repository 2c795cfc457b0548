// UrlRequests: the queue between the requesting threads and the browser's main thread.
#include "url_requests.h"

#include "call_clock.h"
#include "line_output.h"
#include "page_reader.h"

namespace {

std::string describe(const UrlRequest& request) {
  return "url=" + quoted(request.url) +
         " target=" + (request.hasTarget ? quoted(request.target) : std::string("(null)"));
}

}  // namespace

void UrlRequests::setWake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_wake = std::move(wake);
}

NPError UrlRequests::record(NPP instance, const char* url, const char* target,
                            bool withNotification, void* notifyData) {
  // The plug-in may free its texts once the call returns: keep copies.
  UrlRequest request{instance, m_names.prefixOf(instance), url ? url : "", target != nullptr, target ? target : "",
                     withNotification, notifyData};
  std::string line = request.prefix + (withNotification ? "GetURLNotify " : "GetURL ") + describe(request);
  if (withNotification) line += " notifyData=" + hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(notifyData)));
  reportLine(line);
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.push_back(request);
    wake = m_wake;
  }
  if (wake) wake();
  return NPERR_NO_ERROR;
}

bool UrlRequests::carryOut(const NPPluginFuncs& plugin) {
  for (;;) {
    UrlRequest request;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_pending.empty()) return false;
      request = m_pending.front();
      m_pending.pop_front();
    }
    // Without a target the data would go to the plug-in as a stream, which the stand-in
    // does not serve; the plug-in hears that nothing arrived.
    if (!request.hasTarget) reportLine(request.prefix + "stream request not served: " + describe(request));
    if (request.notify) answer(plugin, request, request.hasTarget ? NPRES_DONE : NPRES_NETWORK_ERR);
    if (replacesPage(request)) {
      reportLine("page replaced by " + quoted(request.url));
      dropPending();
      return true;
    }
  }
}

void UrlRequests::dropPending() { drop(nullptr, "request dropped with the page: "); }

void UrlRequests::dropPendingOf(NPP instance) { drop(instance, "request dropped with the instance: "); }

void UrlRequests::drop(NPP instance, const char* why) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_pending.begin(); it != m_pending.end();) {
    if (instance && it->instance != instance) {
      ++it;
      continue;
    }
    reportLine(it->prefix + why + describe(*it));
    it = m_pending.erase(it);
  }
}

bool UrlRequests::replacesPage(const UrlRequest& request) const {
  if (!request.hasTarget) return false;
  for (const char* own : {"_self", "_top", "_parent"})
    if (equalsIgnoringCase(request.target, own)) return true;
  return !m_frameName.empty() && request.target == m_frameName;
}

void UrlRequests::answer(const NPPluginFuncs& plugin, const UrlRequest& request, NPReason reason) {
  if (!plugin.urlnotify) {
    reportLine(request.prefix + "no urlnotify in the plug-in's table: " + describe(request) + " not answered");
    return;
  }
  reportLine(request.prefix + "NPP_URLNotify " + describe(request) + " reason=" + std::to_string(reason));
  const CallClock clock;
  plugin.urlnotify(request.instance, request.url.c_str(), reason, request.notifyData);
  reportLine(request.prefix + "NPP_URLNotify returned");
  clock.report(request.prefix + "NPP_URLNotify");
}
