// InstanceNames: the prefix of each instance's lines, looked up by its NPP record.
#include "instance_names.h"

std::string instancePrefix(size_t index, size_t count) {
  return count > 1 ? "instance " + std::to_string(index + 1) + ": " : "";
}

void InstanceNames::name(NPP instance, const std::string& prefix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_prefixes[instance] = prefix;
}

std::string InstanceNames::prefixOf(NPP instance) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto found = m_prefixes.find(instance);
  return found == m_prefixes.end() ? "" : found->second;
}
