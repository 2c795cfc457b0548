// What the transport tests share: the fixture web server (its URLs and the requests it
// saw), the install log's text, a test instance record with parameters and windows,
// scoped environment variables and registry values, and files made at test time.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "plugin/CMyPlugin.h"
#include "support/install_log_text.h"
#include "support/test_files.h"

// A Unix path as Windows programs under Wine see it: /a/b is Z:\a\b.
std::string winePath(const std::string& unixPath);

class FixtureServer {
 public:
  // Reads server.env and trusts the server's test certificate authority, once.
  static FixtureServer& instance();

  std::string httpUrl(const std::string& pathAndQuery) const;
  std::string httpsUrl(const std::string& pathAndQuery) const;
  // HTTPS at a port whose certificate, from the same authority, names another host.
  std::string otherHostHttpsUrl(const std::string& pathAndQuery) const;
  // A URL that only the proxy can reach: its host name exists for the proxy alone. (Wine's
  // WinInet reuses a kept-alive direct connection to a target even when the request should
  // go through a proxy, so a proxied test must not name a host that others reach directly.)
  std::string proxiedUrl(const std::string& pathAndQuery) const;
  int proxyPort() const { return m_proxyPort; }
  const std::string& directory() const { return m_directory; }  // Windows path
  // The request-log lines (JSON objects) of requests for exactly this path.
  std::vector<std::string> requestsFor(const std::string& path) const;
  // What the install-log receiver at /logs/<name> got, each request as it came (request
  // line, headers, empty line, body), in order.
  std::vector<std::string> receivedLogs(const std::string& name) const;

 private:
  FixtureServer();
  void trustCertificateAuthority(const std::string& derPath) const;

  int m_httpPort = 0;
  int m_httpsPort = 0;
  int m_otherHttpsPort = 0;
  int m_proxyPort = 0;
  std::string m_requestLog;
  std::string m_directory;
};

// A path on the fixture server that no other test and no earlier run has asked for.
std::string uniquePath(const std::string& name);

// An instance record with a plug-in window of its own and a progress bar (id 201) in a
// dialog window that records every PBM_SETPOS it gets. Lives on one thread.
class TestInstance {
 public:
  TestInstance();
  ~TestInstance();
  TestInstance(const TestInstance&) = delete;
  TestInstance& operator=(const TestInstance&) = delete;

  // Gives the page a value for one of its parameters.
  void setParameter(const char* PageParameters::*field, const std::string& value);
  void openSession(const char* userAgent = "Mozilla/4.0 (compatible; test)");
  void attachProgressDialog();
  // The positions sent to the progress bar since it was attached.
  const std::vector<int>& positions() const;

  CMyPlugin plugin;

 private:
  // Kept where they are: the page's fields point into them.
  std::deque<std::string> m_values;
  NPWindow m_window{};
  HWND m_pluginWindow = nullptr;
  HWND m_dialog = nullptr;
};

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);  // null value: unset
  ~ScopedEnvironment();

 private:
  std::string m_name;
  std::string m_old;
  bool m_had;
};

class ScopedRegistryValue {
 public:
  ScopedRegistryValue(HKEY root, const std::string& key, const std::string& name, const std::string& text);
  ScopedRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD number);
  ~ScopedRegistryValue();

 private:
  void set(DWORD type, const void* data, DWORD size);
  HKEY m_root;
  std::string m_key;
  std::string m_name;
};

// A folder under the prefix's temporary folder, removed with everything in it at the end.
class TestTree {
 public:
  explicit TestTree(const std::string& name);
  ~TestTree();
  const std::string& path() const { return m_path; }
  // Writes text to path/relative, making the folders on the way.
  std::string write(const std::string& relative, const std::string& text) const;

 private:
  std::string m_path;
};

// A Firefox profile with a language for the test's user, so that finding the browser's
// languages for a Firefox user agent logs nothing, whatever the prefix holds.
class ScopedFirefoxLanguage {
 public:
  ScopedFirefoxLanguage();

 private:
  TestTree m_tree{"firefox-language"};
  ScopedEnvironment m_user{"USERPROFILE", m_tree.path().c_str()};
  ScopedEnvironment m_appData{"APPDATA", nullptr};
  ScopedEnvironment m_windows{"WINDIR", nullptr};
};

void setLastAccess(const std::string& path, ULONGLONG time);
// The bytes that the fixture server sends for a body of size bytes.
std::string fixtureBody(size_t size);
