// EmbedInstance: the calls that create, place and destroy one plug-in instance.
#include "embed_instance.h"

#include <cstdint>
#include <cstdlib>

#include "call_clock.h"
#include "line_output.h"

namespace {

// An address no process can read: the window record a faulty browser might pass.
NPWindow* const kUnreadableRecord = reinterpret_cast<NPWindow*>(0x10);

constexpr int kLargestDimension = 4000;

}  // namespace

int embedDimension(const EmbedTag& embed, const char* name, int fallback) {
  const std::string text = embed.attribute(name);
  if (text.empty() || text.find('%') != std::string::npos) return fallback;
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return value >= 1 && value <= kLargestDimension ? static_cast<int>(value) : fallback;
}

EmbedInstance::EmbedInstance(const EmbedTag& embed, const std::string& mimeType, const std::string& prefix)
    : m_npp(), m_window(), m_mimeType(mimeType), m_prefix(prefix) {
  for (const EmbedAttribute& attribute : embed.attributes) {
    m_names.push_back(attribute.name);
    m_values.push_back(attribute.value);
  }
  // The strings are final now: their buffers stay where they are.
  for (size_t i = 0; i < m_names.size(); ++i) {
    m_argn.push_back(m_names[i].data());
    m_argv.push_back(m_values[i].data());
  }
}

NPError EmbedInstance::create(const NPPluginFuncs& plugin) {
  const CallClock clock;
  const NPError result =
      plugin.newp(m_mimeType.data(), &m_npp, NP_EMBED, static_cast<int16>(m_argn.size()),
                  m_argn.empty() ? nullptr : m_argn.data(), m_argv.empty() ? nullptr : m_argv.data(), nullptr);
  reportLine(m_prefix + "NPP_New mode=1 argc=" + std::to_string(m_argn.size()) + " -> " + std::to_string(result));
  clock.report(m_prefix + "NPP_New");
  return result;
}

void EmbedInstance::callSetWindow(const NPPluginFuncs& plugin, NPWindow* record, const std::string& what) {
  const CallClock clock;
  const NPError result = plugin.setwindow(&m_npp, record);
  reportLine(m_prefix + "NPP_SetWindow " + what + " -> " + std::to_string(result));
  clock.report(m_prefix + "NPP_SetWindow");
}

void EmbedInstance::setUnreadableWindow(const NPPluginFuncs& plugin) {
  callSetWindow(plugin, kUnreadableRecord,
                "record=" + hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kUnreadableRecord))) +
                    " (unreadable)");
}

void EmbedInstance::setWindow(const NPPluginFuncs& plugin, void* window, int width, int height) {
  m_window.window = window;
  m_window.width = static_cast<uint32>(width);
  m_window.height = static_cast<uint32>(height);
  m_window.clipRect = {0, 0, static_cast<uint16>(height), static_cast<uint16>(width)};
  m_window.type = NPWindowTypeWindow;
  setWindowAgain(plugin);
}

void EmbedInstance::setWindowAgain(const NPPluginFuncs& plugin) {
  callSetWindow(plugin, &m_window,
                "window=" + hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_window.window))) + " " +
                    std::to_string(m_window.width) + "x" + std::to_string(m_window.height) + " type=1");
}

void EmbedInstance::setNullWindow(const NPPluginFuncs& plugin) { callSetWindow(plugin, nullptr, "record=(null)"); }

NPError EmbedInstance::destroy(const NPPluginFuncs& plugin) {
  NPSavedData* saved = nullptr;
  const CallClock clock;
  const NPError result = plugin.destroy(&m_npp, &saved);
  reportLine(m_prefix + "NPP_Destroy -> " + std::to_string(result));
  clock.report(m_prefix + "NPP_Destroy");
  // This plug-in saves nothing; a block handed back would show in the balance.
  if (saved) reportLine(m_prefix + "NPP_Destroy handed back saved data");
  return result;
}
