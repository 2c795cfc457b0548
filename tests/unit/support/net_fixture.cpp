// The transport tests' shared fixtures.
#include "support/net_fixture.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "base/directory_tree.h"
#include "base/host_services.h"
#include "log/install_log.h"
#include "net/internet_session.h"
#include "workflow/open_failure_box.h"

namespace {

std::map<std::string, std::string> readKeyValues(const std::string& path) {
  std::map<std::string, std::string> values;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

std::vector<int> g_positions;

LRESULT CALLBACK progressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_SETPOS) {
    g_positions.push_back(static_cast<int>(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerProgressClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = progressProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "OstrelTestProgress";
  RegisterClassA(&windowClass);
  registered = true;
}

}  // namespace

std::string winePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

FixtureServer& FixtureServer::instance() {
  static FixtureServer server;
  return server;
}

FixtureServer::FixtureServer() {
  const char* info = std::getenv("OSTREL_FIXTURE_INFO");
  auto values = readKeyValues(info ? winePath(info) : "");
  m_httpPort = std::atoi(values["http_port"].c_str());
  m_httpsPort = std::atoi(values["https_port"].c_str());
  m_otherHttpsPort = std::atoi(values["other_https_port"].c_str());
  m_proxyPort = std::atoi(values["proxy_port"].c_str());
  m_requestLog = winePath(values["request_log"]);
  m_directory = winePath(values["dir"]);
  trustCertificateAuthority(winePath(values["ca_der"]));
}

void FixtureServer::trustCertificateAuthority(const std::string& derPath) const {
  const std::string der = readFile(derPath);
  CertAddEncodedCertificateToSystemStoreA("ROOT", reinterpret_cast<const BYTE*>(der.data()),
                                          static_cast<DWORD>(der.size()));
}

std::string FixtureServer::httpUrl(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(m_httpPort) + pathAndQuery;
}

std::string FixtureServer::httpsUrl(const std::string& pathAndQuery) const {
  return "https://localhost:" + std::to_string(m_httpsPort) + pathAndQuery;
}

std::string FixtureServer::otherHostHttpsUrl(const std::string& pathAndQuery) const {
  return "https://127.0.0.1:" + std::to_string(m_otherHttpsPort) + pathAndQuery;
}

std::vector<std::string> FixtureServer::receivedLogs(const std::string& name) const {
  std::vector<std::string> found;
  for (int number = 1;; ++number) {
    char file[16];
    std::snprintf(file, sizeof file, "\\%03d.http", number);
    std::string folder = m_directory + "\\received\\" + name;
    for (char& c : folder)
      if (c == '/') c = '\\';
    const std::string path = folder + file;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return found;
    found.push_back(readFile(path));
  }
}

std::string FixtureServer::proxiedUrl(const std::string& pathAndQuery) const {
  return "http://ostrel.test:" + std::to_string(m_httpPort) + pathAndQuery;
}

std::vector<std::string> FixtureServer::requestsFor(const std::string& path) const {
  std::vector<std::string> found;
  std::ifstream in(m_requestLog);
  std::string line;
  const std::string key = "\"path\": \"" + path + "\"";
  while (std::getline(in, line))
    if (line.find(key) != std::string::npos) found.push_back(line);
  return found;
}

std::string uniquePath(const std::string& name) {
  static std::atomic<int> counter{0};
  // Wine reuses process ids from run to run and its cache outlives a run: the start time
  // of this program keeps paths of different runs apart.
  static const ULONGLONG started = [] {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  }();
  return "/" + name + "-" + std::to_string(started) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++counter);
}

TestInstance::TestInstance() {
  m_pluginWindow = CreateWindowExA(0, "STATIC", "plug-in", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  m_window.window = m_pluginWindow;
  plugin.m_npWindow = &m_window;
}

TestInstance::~TestInstance() {
  if (plugin.m_internet) InternetCloseHandle(plugin.m_internet);
  if (m_dialog) DestroyWindow(m_dialog);
  DestroyWindow(m_pluginWindow);
}

void TestInstance::setParameter(const char* PageParameters::*field, const std::string& value) {
  m_values.push_back(value);
  plugin.m_page.*field = m_values.back().c_str();
}

void TestInstance::openSession(const char* userAgent) { plugin.m_internet = NetscapeInternetOpen(userAgent); }

void TestInstance::attachProgressDialog() {
  registerProgressClass();
  m_dialog = CreateWindowExA(0, "STATIC", "dialog", WS_OVERLAPPED, 0, 0, 200, 60, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  CreateWindowExA(0, "OstrelTestProgress", "", WS_CHILD, 0, 0, 100, 10, m_dialog, reinterpret_cast<HMENU>(201),
                  GetModuleHandleA(nullptr), nullptr);
  plugin.m_progressDialog = m_dialog;
  g_positions.clear();
}

const std::vector<int>& TestInstance::positions() const { return g_positions; }

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : m_name(name) {
  char old[4096];
  const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
  m_had = length > 0 && length < sizeof old;
  if (m_had) m_old = old;
  SetEnvironmentVariableA(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const std::string& key, const std::string& name,
                                         const std::string& text)
    : m_root(root), m_key(key), m_name(name) {
  set(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD number)
    : m_root(root), m_key(key), m_name(name) {
  set(REG_DWORD, &number, sizeof number);
}

void ScopedRegistryValue::set(DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  RegCreateKeyExA(m_root, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  RegSetValueExA(handle, m_name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
}

ScopedRegistryValue::~ScopedRegistryValue() {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(m_root, m_key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
  RegDeleteValueA(handle, m_name.c_str());
  RegCloseKey(handle);
}

ScopedFirefoxLanguage::ScopedFirefoxLanguage() {
  m_tree.write("Application Data\\Mozilla\\Firefox\\Profiles\\t.default\\prefs.js",
               "user_pref(\"intl.accept_languages\", \"en-us\");\r\n");
}

TestTree::TestTree(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  m_path = std::string(temp) + "ostrel-net-" + name + "-" + std::to_string(GetCurrentProcessId());
  createDirectoryTree(m_path.c_str());
}

TestTree::~TestTree() {
  std::string from = m_path + std::string(1, '\0');
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationA(&operation);
}

std::string TestTree::write(const std::string& relative, const std::string& text) const {
  const std::string path = m_path + "\\" + relative;
  const std::string folder = path.substr(0, path.rfind('\\'));
  createDirectoryTree(folder.c_str());
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void setLastAccess(const std::string& path, ULONGLONG time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  FILETIME access = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SetFileTime(file, nullptr, &access, nullptr);
  CloseHandle(file);
}

std::string fixtureBody(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i % 251);
  return body;
}
