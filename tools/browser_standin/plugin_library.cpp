// Loading the plug-in DLL and reading its registration data.
#include "plugin_library.h"

#include <vector>

#include "line_output.h"

namespace {

std::string translationKey(uint16_t language, uint16_t codePage) {
  return hex16(language).substr(2) + "/" + hex16(codePage).substr(2);
}

// GetProcAddress hands out a generic pointer; the exports' real types are known.
template <class Proc>
Proc exportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool readRegistration(const std::string& dllPath, VersionResource& registration) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(dllPath.c_str(), &ignored);
  std::vector<unsigned char> block(size);
  if (size == 0 || !GetFileVersionInfoA(dllPath.c_str(), 0, size, block.data())) {
    reportLine("no version resource in " + quoted(dllPath) + " (error " +
               std::to_string(GetLastError()) + "): a browser would not know what it handles");
    return false;
  }
  if (!parseVersionResource(block.data(), block.size(), registration)) {
    reportLine("the version resource of " + quoted(dllPath) + " cannot be read");
    return false;
  }
  return true;
}

void reportRegistration(const VersionResource& registration) {
  if (registration.hasFixedPart) {
    reportLine("version resource fixed file version=" +
               dottedVersion(registration.fileVersionHigh, registration.fileVersionLow) +
               " product version=" +
               dottedVersion(registration.productVersionHigh, registration.productVersionLow) +
               " os=" + hex32(registration.fileOs) + " type=" + hex32(registration.fileType));
  }
  for (const auto& translation : registration.translations)
    reportLine("version resource translation=" + translationKey(translation.first, translation.second));
  for (const VersionStringTable& table : registration.stringTables)
    for (const auto& entry : table.strings)
      reportLine("version string " + table.key + " " + entry.first + "=" + quoted(entry.second));
}

PluginLibrary::~PluginLibrary() { unload(); }

bool PluginLibrary::load(const std::string& dllPath) {
  m_module = LoadLibraryA(dllPath.c_str());
  if (!m_module) {
    reportLine("LoadLibrary " + quoted(dllPath) + " failed, error " + std::to_string(GetLastError()));
    return false;
  }
  reportLine("LoadLibrary " + quoted(dllPath) + " -> loaded");
  m_getEntryPoints = exportOf<GetEntryPointsProc>(m_module, "NP_GetEntryPoints");
  m_initialize = exportOf<InitializeProc>(m_module, "NP_Initialize");
  m_shutdown = exportOf<ShutdownProc>(m_module, "NP_Shutdown");
  std::string missing;
  if (!m_getEntryPoints) missing += " NP_GetEntryPoints";
  if (!m_initialize) missing += " NP_Initialize";
  if (!m_shutdown) missing += " NP_Shutdown";
  if (missing.empty()) return true;
  reportLine("the DLL lacks the export(s)" + missing);
  unload();
  return false;
}

void PluginLibrary::unload() {
  if (!m_module) return;
  FreeLibrary(m_module);
  m_module = nullptr;
  m_getEntryPoints = nullptr;
  m_initialize = nullptr;
  m_shutdown = nullptr;
  reportLine("FreeLibrary done");
}
