// How the stand-in's lines say which plug-in instance they concern. On a page with one
// embed the lines name none, so they read as they always have; with several, each line
// about one instance starts with "instance N: ", N counting the embeds from 1 in page
// order. The NPP records are named on the main thread before the plug-in hears of them;
// any thread may then ask.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

#include "base/npapi.h"

// "" when the page has one embed, else "instance N: " for the embed at index N - 1.
std::string instancePrefix(size_t index, size_t count);

class InstanceNames {
 public:
  void name(NPP instance, const std::string& prefix);
  // The prefix given to that record; "" for one the browser never made (a plug-in may
  // pass anything).
  std::string prefixOf(NPP instance) const;

 private:
  mutable std::mutex m_mutex;
  std::map<NPP, std::string> m_prefixes;
};
