// A plug-in instance made through NPP_New from a list of embed parameters and destroyed
// through NPP_Destroy, for tests that look into the instance record.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "entry/npp_callbacks.h"
#include "plugin/CMyPlugin.h"

using EmbedParameters = std::vector<std::pair<std::string, std::string>>;

class PluginInstance {
 public:
  explicit PluginInstance(const EmbedParameters& parameters) {
    m_parameters = parameters;  // keeps the texts alive for the raw arrays
    for (auto& parameter : m_parameters) {
      m_names.push_back(&parameter.first[0]);
      m_values.push_back(&parameter.second[0]);
    }
    newResult = NPP_New(const_cast<char*>("application/x-ostrel-updater-plugin"), &npp, NP_EMBED,
                        static_cast<int16>(m_names.size()), m_names.data(), m_values.data(), nullptr);
  }
  ~PluginInstance() { destroy(); }
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  NPError destroy() { return npp.pdata ? NPP_Destroy(&npp, nullptr) : NPERR_NO_ERROR; }
  CMyPlugin* record() const { return static_cast<CMyPlugin*>(npp.pdata); }
  static std::string value(const char* text) { return text ? text : "<null>"; }

  _NPP npp{};
  NPError newResult = NPERR_GENERIC_ERROR;

 private:
  EmbedParameters m_parameters;
  std::vector<char*> m_names;
  std::vector<char*> m_values;
};
