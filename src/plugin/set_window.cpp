// CMyPlugin::SetWindow: the browser hands the instance its window, or takes it away.
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"

NPError CMyPlugin::SetWindow(NPWindow* window) {
  const bool completed = runGuarded(this, "CMyPlugin::SetWindow()", [&] {
    if (!window) {
      m_npWindow = nullptr;
      return;
    }
    // Later calls for the same window (resizes, moves) change nothing.
    if (!window->window || m_progressDialog) return;
    m_npWindow = window;
  });
  return completed ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
}
