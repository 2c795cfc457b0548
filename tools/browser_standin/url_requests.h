// The plug-in's URL requests (NPN_GetURL, NPN_GetURLNotify) as a browser takes them:
// recorded and reported at once on whatever thread asks, then carried out later on the
// browser's main thread, where a notifying request is answered through the plug-in's
// urlnotify and a request into the page's own frame replaces the page.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "base/npapi.h"

struct UrlRequest {
  NPP instance;
  std::string url;
  bool hasTarget;
  std::string target;
  bool notify;
  void* notifyData;
};

class UrlRequests {
 public:
  explicit UrlRequests(std::string frameName) : m_frameName(std::move(frameName)) {}

  // Called after each recorded request, on the requesting thread, to wake the main
  // thread's message loop.
  void setWake(std::function<void()> wake);

  // Any thread. Answers 0, as a browser that accepted the request.
  NPError record(NPP instance, const char* url, const char* target, bool withNotification,
                 void* notifyData);

  // Main thread, while the instance lives: carries out the requests in order. True when
  // one replaced the page; the requests after it are dropped, as the page is gone.
  bool carryOut(const NPPluginFuncs& plugin);

  // Main thread, once the instance is gone: reports what can no longer be answered.
  void dropPending();

 private:
  bool replacesPage(const UrlRequest& request) const;
  void answer(const NPPluginFuncs& plugin, const UrlRequest& request, NPReason reason);

  std::mutex m_mutex;
  std::deque<UrlRequest> m_pending;
  std::function<void()> m_wake;
  const std::string m_frameName;
};
