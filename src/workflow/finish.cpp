// Finish and PrepareCloseWindow.
#include "workflow/finish.h"

#include "base/run_control.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/page_requests.h"
#include "plugin/top_level_window.h"
#include "workflow/startup_event.h"
#include "workflow/updater_run.h"

namespace {

// The browser's services belong to its thread: the request goes through the dialog,
// which lives there. Without a dialog it is made from the worker.
void requestRedirect(CMyPlugin& plugin) {
  if (!postPageRequest(plugin, PageRequest::kRedirect)) loadRedirectPage(plugin);
}

}  // namespace

void Finish(CMyPlugin& plugin, RunOutcome outcome) {
  runGuarded(&plugin, "CMyPlugin::Finish()", [&] {
    // A page that has been left gets no client, no redirect and no closing. The shared
    // startup event is left alone: other instances' closing waits are theirs.
    if (runCancelled(plugin)) {
      noteRunCancelled(plugin);
      return;
    }
    if (outcome == RunOutcome::kFailed) {
      // Nothing will start: whoever waits for the client must not wait in vain.
      signalStartupEvent();
      PrepareCloseWindow(plugin);
      return;
    }
    const char* url = plugin.m_page.redirectUrl;
    if (plugin.m_page.launchClient) {
      // No client will say it is up when none was started: the closing must not wait for
      // one, as after a failure. A page left meanwhile leaves the shared event alone.
      if (url && !StartupClient(plugin, url) && !runCancelled(plugin)) signalStartupEvent();
      if (plugin.m_page.closeWindowGiven) PrepareCloseWindow(plugin);
      return;
    }
    if (!url || !*url) {
      if (plugin.m_page.closeWindowGiven) PrepareCloseWindow(plugin);
      return;
    }
    // The closing, if any, follows the browser's notification of this request.
    requestRedirect(plugin);
  });
}

void PrepareCloseWindow(CMyPlugin& plugin) {
  runGuarded(&plugin, "CMyPlugin::PrepareCloseWindow()", [&] {
    if (plugin.m_page.closeWindowGiven) plugin.m_frameWindow = FindTopLevelWindow(plugin.m_npWindow);
  });
}
