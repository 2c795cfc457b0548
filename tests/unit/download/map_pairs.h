// The pairs of a CPropertyMap in its own order, and texts parsed into one, for tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "download/CPropertyMap.h"
#include "download/property_text.h"

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline Pairs pairsOf(const CPropertyMap& map) {
  Pairs pairs;
  map.forEach([](const char* key, const char* value, void* context) {
    static_cast<Pairs*>(context)->emplace_back(key, value);
  }, &pairs);
  return pairs;
}

inline Pairs packageListPairs(const std::string& text) {
  CPropertyMap map;
  parsePropertyText(map, text.data(), text.size());
  return pairsOf(map);
}

inline Pairs configurationPairs(const std::string& text) {
  CPropertyMap map;
  parseConfigurationText(map, text.data(), text.size());
  return pairsOf(map);
}
