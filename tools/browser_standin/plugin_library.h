// The plug-in DLL as a browser handles it: its registration data read from the file's
// version resource before loading, then the library loaded by path with its three
// exports looked up under their undecorated names. Main thread only.
#pragma once

#include <windows.h>

#include <string>

#include "base/npapi.h"
#include "version_resource.h"

// The string table that Netscape-family browsers read, whatever else the file holds.
constexpr const char kBrowserStringTable[] = "040904E4";

// Reads the version resource of the file; false, after reporting why, when there is
// none or it cannot be read.
bool readRegistration(const std::string& dllPath, VersionResource& registration);
// Reports the fixed part, the translations and every string of every table.
void reportRegistration(const VersionResource& registration);

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library and finds the exports; false, after reporting why, when either
  // fails (the library is then unloaded again).
  bool load(const std::string& dllPath);
  void unload();

  NPError getEntryPoints(NPPluginFuncs* table) const { return m_getEntryPoints(table); }
  NPError initialize(NPNetscapeFuncs* table) const { return m_initialize(table); }
  NPError shutdown() const { return m_shutdown(); }

 private:
  typedef NPError(WINAPI* GetEntryPointsProc)(NPPluginFuncs*);
  typedef NPError(WINAPI* InitializeProc)(NPNetscapeFuncs*);
  typedef NPError(WINAPI* ShutdownProc)();

  HMODULE m_module = nullptr;
  GetEntryPointsProc m_getEntryPoints = nullptr;
  InitializeProc m_initialize = nullptr;
  ShutdownProc m_shutdown = nullptr;
};
