// The browser's side of the plug-in interface: the NPNetscapeFuncs table handed to
// NP_Initialize, with its user agent, its allocator with a running balance, and its URL
// requests, and the names of the page's instances for the lines about them. One exists
// per process (the table's functions carry no context), made on
// the main thread before the DLL is initialised and kept until after it is unloaded.
#pragma once

#include <string>

#include "allocation_ledger.h"
#include "instance_names.h"
#include "options.h"
#include "base/npapi.h"
#include "url_requests.h"

class BrowserServices {
 public:
  explicit BrowserServices(const Options& options);
  ~BrowserServices();
  BrowserServices(const BrowserServices&) = delete;
  BrowserServices& operator=(const BrowserServices&) = delete;

  NPNetscapeFuncs* table() { return &m_table; }
  AllocationLedger& ledger() { return m_ledger; }
  InstanceNames& names() { return m_names; }
  UrlRequests& requests() { return m_requests; }
  const std::string& userAgent() const { return m_userAgent; }

  static BrowserServices& current();

  // "allocation balance after WHAT: N bytes in M blocks"
  void reportBalance(const char* after) const;

 private:
  void fillTable(uint16 version, int size);

  AllocationLedger m_ledger;
  InstanceNames m_names;  // before m_requests, which reads it
  UrlRequests m_requests;
  std::string m_userAgent;
  NPNetscapeFuncs m_table;
};

// The table size a browser of that version hands over when none is chosen: browsers
// from before URL notification end their table before geturlnotify.
int defaultTableSize(uint16 version);
