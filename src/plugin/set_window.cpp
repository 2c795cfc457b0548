// CMyPlugin::SetWindow: the browser hands the instance its window, or takes it away.
#include "plugin/CMyPlugin.h"

#include <commctrl.h>

#include "log/method_guard.h"
#include "plugin/progress_dialog.h"

NPError CMyPlugin::SetWindow(NPWindow* window) {
  const bool completed = runGuarded(this, "CMyPlugin::SetWindow()", [&] {
    if (!window) {
      destroyProgressDialog(*this);
      m_npWindow = nullptr;
      return;
    }
    // Later calls for the same window (resizes, moves) change nothing.
    if (!window->window || m_progressDialog) return;
    m_npWindow = window;
    InitCommonControls();
    // Without a dialog the update still runs, only without a progress display.
    m_progressDialog = createProgressDialog(*this, static_cast<HWND>(window->window));
  });
  return completed ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
}
