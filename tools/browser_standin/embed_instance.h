// One embed of the plug-in as the browser keeps it while the instance lives: the NPP
// record, the parameter arrays handed to NPP_New and the window record handed to
// NPP_SetWindow (the plug-in may keep pointers into all three until NPP_Destroy).
#pragma once

#include <string>
#include <vector>

#include "page_reader.h"
#include "base/npapi.h"

class EmbedInstance {
 public:
  EmbedInstance(const EmbedTag& embed, const std::string& mimeType);
  EmbedInstance(const EmbedInstance&) = delete;
  EmbedInstance& operator=(const EmbedInstance&) = delete;

  NPError create(const NPPluginFuncs& plugin);
  // Hands the plug-in its window; with badRecordFirst an unreadable record goes first.
  void setWindow(const NPPluginFuncs& plugin, void* window, int width, int height, bool badRecordFirst);
  NPError destroy(const NPPluginFuncs& plugin);

  NPP npp() { return &m_npp; }

 private:
  _NPP m_npp;
  NPWindow m_window;
  std::string m_mimeType;
  std::vector<std::string> m_names;
  std::vector<std::string> m_values;
  std::vector<char*> m_argn;
  std::vector<char*> m_argv;
};

// Width or height of the embed in pixels: the attribute's leading digits when they give
// 1 to 4000, else the fallback (percentages and missing values included).
int embedDimension(const EmbedTag& embed, const char* name, int fallback);
