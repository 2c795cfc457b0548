// One embed of the plug-in as the browser keeps it while the instance lives: the NPP
// record, the parameter arrays handed to NPP_New and the window record handed to
// NPP_SetWindow (the plug-in may keep pointers into all three until NPP_Destroy), and the
// prefix that names the instance in its lines (see instance_names.h).
#pragma once

#include <string>
#include <vector>

#include "page_reader.h"
#include "base/npapi.h"

class EmbedInstance {
 public:
  EmbedInstance(const EmbedTag& embed, const std::string& mimeType, const std::string& prefix);
  EmbedInstance(const EmbedInstance&) = delete;
  EmbedInstance& operator=(const EmbedInstance&) = delete;

  // Each call below reports its answer, then how long it took.
  NPError create(const NPPluginFuncs& plugin);
  // Hands the plug-in an address no process can read as its window record.
  void setUnreadableWindow(const NPPluginFuncs& plugin);
  // Fills the window record with that window and size and hands it to the plug-in.
  void setWindow(const NPPluginFuncs& plugin, void* window, int width, int height);
  // Hands the plug-in the window record of the last setWindow again.
  void setWindowAgain(const NPPluginFuncs& plugin);
  // Takes the window away: NPP_SetWindow without a record.
  void setNullWindow(const NPPluginFuncs& plugin);
  NPError destroy(const NPPluginFuncs& plugin);

  NPP npp() { return &m_npp; }
  const std::string& prefix() const { return m_prefix; }

 private:
  // Calls NPP_SetWindow with that record and reports "NPP_SetWindow WHAT -> answer".
  void callSetWindow(const NPPluginFuncs& plugin, NPWindow* record, const std::string& what);

  _NPP m_npp;
  NPWindow m_window;
  std::string m_mimeType;
  std::string m_prefix;
  std::vector<std::string> m_names;
  std::vector<std::string> m_values;
  std::vector<char*> m_argn;
  std::vector<char*> m_argv;
};

// Width or height of the embed in pixels: the attribute's leading digits when they give
// 1 to 4000, else the fallback (percentages and missing values included).
int embedDimension(const EmbedTag& embed, const char* name, int fallback);
