// A browser for unit tests: fills the browser function table, counts allocations, and
// records URL requests. Installed before the first test by the shared test main.
#pragma once

#include <string>
#include <vector>

#include "base/npapi.h"

struct RecordedRequest {
  std::string url;
  std::string target;
  bool notify;
};

class TestBrowser {
 public:
  static TestBrowser& instance();

  // Installs the tables through the plug-in's exports, as a browser of minor version 9.
  void install();
  NPNetscapeFuncs& table() { return m_browserTable; }
  NPPluginFuncs& pluginTable() { return m_pluginTable; }

  // Bytes and blocks handed out and not yet freed.
  long long balanceBytes() const;
  long long liveBlocks() const;
  // Makes the next allocations fail (0 = none), to test out-of-memory paths.
  void failAllocationsAfter(int successfulAllocations);
  void stopFailingAllocations();
  // Makes the next allocation raise an access violation inside the allocator, as a
  // broken browser would.
  void faultOnNextAllocation();

  std::vector<RecordedRequest> requests() const;
  void clearRequests();
  void setUserAgent(const std::string& agent) { m_userAgent = agent; }
  const std::string& userAgent() const { return m_userAgent; }

 private:
  TestBrowser();
  NPNetscapeFuncs m_browserTable;
  NPPluginFuncs m_pluginTable;
  std::string m_userAgent;
};
