// FindTopLevelWindow: climbs the parent chain from the plug-in window.
#include "plugin/top_level_window.h"

HWND FindTopLevelWindow(const NPWindow* window) {
  if (!window || !window->window) return nullptr;
  const HWND pluginWindow = static_cast<HWND>(window->window);
  if (!IsWindow(pluginWindow)) return nullptr;
  HWND top = GetParent(pluginWindow);
  while (top) {
    const HWND parent = GetParent(top);
    if (!parent) break;
    top = parent;
  }
  return top;
}
