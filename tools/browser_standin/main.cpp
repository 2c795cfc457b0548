// The browser stand-in: plays a Netscape-family browser to the plug-in DLL on one page,
// with an instance for each embed of the plug-in's type, and reports, line by line, what
// the browser saw. See usageText() for the command line.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "box_watcher.h"
#include "browser_services.h"
#include "instance_names.h"
#include "line_output.h"
#include "options.h"
#include "trusted_root.h"
#include "page_reader.h"
#include "page_run.h"
#include "plugin_library.h"

namespace {

constexpr std::streamoff kLargestPage = 16 * 1024 * 1024;
constexpr size_t kMostParameters = 32767;  // argc is a 16-bit count

std::string besideProgram(const char* fileName) {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  const size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? "" : folder.substr(0, slash + 1);
  return folder + fileName;
}

bool readFile(const std::string& path, std::string& text, std::string& error) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    error = "cannot be opened";
    return false;
  }
  if (file.tellg() > kLargestPage) {
    error = "is larger than 16 MiB";
    return false;
  }
  file.seekg(0);
  std::ostringstream contents;
  contents << file.rdbuf();
  text = contents.str();
  return true;
}

std::string embedTypes(const std::vector<EmbedTag>& embeds) {
  std::string types;
  for (const EmbedTag& embed : embeds) types += (types.empty() ? "" : ", ") + quoted(embed.attribute("type"));
  return types;
}

// Finds the page's embeds of the plug-in's type; otherwise says what the page lacks.
std::string findPluginEmbeds(const std::string& pagePath, const std::string& mimeType,
                             std::vector<EmbedTag>& chosen) {
  std::string html, error;
  if (!readFile(pagePath, html, error)) return error;
  const PageEmbeds page = readEmbeds(html);
  if (!page.error.empty()) return page.error;
  if (page.embeds.empty()) return "has no <embed> tag";
  chosen = embedsOfType(page.embeds, mimeType);
  if (chosen.empty())
    return "has no <embed> of type " + quoted(mimeType) + " (its embeds are of type " + embedTypes(page.embeds) + ")";
  for (const EmbedTag& embed : chosen)
    if (embed.attributes.size() > kMostParameters) return "has an <embed> with more than 32767 attributes";
  return "";
}

bool chooseEmbeds(const std::string& pagePath, const std::string& mimeType, std::vector<EmbedTag>& chosen) {
  const std::string error = findPluginEmbeds(pagePath, mimeType, chosen);
  if (error.empty()) return true;
  reportLine("page " + quoted(pagePath) + " " + error);
  return false;
}

void reportEmbeds(const std::vector<EmbedTag>& embeds) {
  for (size_t e = 0; e < embeds.size(); ++e) {
    const std::string prefix = instancePrefix(e, embeds.size());
    const EmbedTag& embed = embeds[e];
    reportLine(prefix + "embed at line " + std::to_string(embed.line) + " with " +
               std::to_string(embed.attributes.size()) + " parameters");
    for (size_t i = 0; i < embed.attributes.size(); ++i)
      reportLine(prefix + "embed parameter " + std::to_string(i) + " " + quoted(embed.attributes[i].name) + "=" +
                 quoted(embed.attributes[i].value));
  }
}

// NP_GetEntryPoints and NP_Initialize. False when the plug-in refused either; after a
// refused NP_Initialize a browser unloads the library without NP_Shutdown.
bool startPlugin(PluginLibrary& library, BrowserServices& browser, NPPluginFuncs& plugin) {
  plugin = {};
  plugin.size = sizeof plugin;
  NPError result = library.getEntryPoints(&plugin);
  reportLine("NP_GetEntryPoints -> " + std::to_string(result));
  if (result != NPERR_NO_ERROR) return false;
  reportLine("plug-in table version=" + hex16(plugin.version));
  result = library.initialize(browser.table());
  reportLine("NP_Initialize -> " + std::to_string(result));
  reportLine(std::string("urlnotify slot: ") + (plugin.urlnotify ? "set" : "unset"));
  if (result == NPERR_NO_ERROR) return true;
  reportLine("NP_Initialize refused the browser: no instance is made and NP_Shutdown is not called");
  library.unload();
  browser.reportBalance("FreeLibrary");
  return false;
}

// From loading the DLL to unloading it again.
int runPlugin(const Options& options, const std::string& dllPath, const std::string& mimeType,
              const std::vector<EmbedTag>& embeds) {
  // Made first and so gone last: the library keeps pointers to the browser's table.
  BrowserServices browser(options);
  PluginLibrary library;
  if (!library.load(dllPath)) return kExitLibrary;
  BoxWatcher watcher(options.authAnswer);
  NPPluginFuncs plugin;
  if (!startPlugin(library, browser, plugin)) return kExitCompleted;
  const bool windowMade = runInstances(options, browser, plugin, embeds, mimeType, watcher);
  reportLine("NP_Shutdown -> " + std::to_string(library.shutdown()));
  browser.reportBalance("NP_Shutdown");
  watcher.stop();
  library.unload();
  return windowMade ? kExitCompleted : kExitWindow;
}

int usageError(const std::string& error) {
  std::fprintf(stderr, "browser_standin: %s\n\n%s", error.c_str(), usageText());
  return kExitUsage;
}

}  // namespace

int main(int argc, char* argv[]) {
  Options options;
  std::string error;
  if (!parseOptions(argc - 1, argv + 1, options, error)) return usageError(error);
  if (options.help) {
    std::fputs(usageText(), stdout);
    return kExitCompleted;
  }
  const std::string dllPath = options.dllPath.empty() ? besideProgram("NPOstrelUpdater.dll") : options.dllPath;
  VersionResource registration;
  if (!readRegistration(dllPath, registration)) return kExitLibrary;
  reportRegistration(registration);
  const std::string* mimeType = registration.find(kBrowserStringTable, "MIMEType");
  if (!mimeType || mimeType->empty()) {
    reportLine(std::string("no MIMEType in string table ") + kBrowserStringTable + ": a browser would not use this DLL");
    return kExitLibrary;
  }
  reportLine("plug-in handles " + quoted(*mimeType));
  if (options.dllInfoOnly) return kExitCompleted;
  if (!options.trustCertificate.empty()) {
    if (!trustRootCertificate(options.trustCertificate))
      return usageError("cannot trust the certificate in " + options.trustCertificate);
    reportLine("trusted certificate " + quoted(options.trustCertificate));
  }
  std::vector<EmbedTag> embeds;
  if (!chooseEmbeds(options.pagePath, *mimeType, embeds)) return kExitPage;
  reportEmbeds(embeds);
  return runPlugin(options, dllPath, *mimeType, embeds);
}
