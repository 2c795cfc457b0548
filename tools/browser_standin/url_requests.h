// The plug-in's URL requests (NPN_GetURL, NPN_GetURLNotify) as a browser takes them:
// recorded and reported at once on whatever thread asks, then carried out later on the
// browser's main thread, where a notifying request is answered through the plug-in's
// urlnotify and a request into the page's own frame replaces the page. The lines about a
// request start with the prefix of the instance that made it.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "base/npapi.h"
#include "instance_names.h"

struct UrlRequest {
  NPP instance;
  std::string prefix;  // the instance's, when it was made
  std::string url;
  bool hasTarget;
  std::string target;
  bool notify;
  void* notifyData;
};

class UrlRequests {
 public:
  UrlRequests(const InstanceNames& names, std::string frameName)
      : m_names(names), m_frameName(std::move(frameName)) {}

  // Called after each recorded request, on the requesting thread, to wake the main
  // thread's message loop.
  void setWake(std::function<void()> wake);

  // Any thread. Answers 0, as a browser that accepted the request.
  NPError record(NPP instance, const char* url, const char* target, bool withNotification,
                 void* notifyData);

  // Main thread, while the instances live: carries out the requests in order. True when
  // one replaced the page; the requests after it are dropped, as the page is gone.
  bool carryOut(const NPPluginFuncs& plugin);

  // Main thread, once the instances are gone: reports what can no longer be answered.
  void dropPending();
  // Main thread: the same for the requests of one instance whose NPP_New failed while
  // others live on the page; a browser has no instance to answer them through.
  void dropPendingOf(NPP instance);

 private:
  bool replacesPage(const UrlRequest& request) const;
  void answer(const NPPluginFuncs& plugin, const UrlRequest& request, NPReason reason);
  // Drops the requests of that instance, or all when it is null, each reported as why
  // followed by the request.
  void drop(NPP instance, const char* why);

  const InstanceNames& m_names;
  std::mutex m_mutex;
  std::deque<UrlRequest> m_pending;
  std::function<void()> m_wake;
  const std::string m_frameName;
};
