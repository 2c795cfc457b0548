// runInstance and its steps, in the order a browser takes them.
#include "page_run.h"

#include <vector>

#include "browser_window.h"
#include "dialog_watcher.h"
#include "embed_instance.h"
#include "line_output.h"

namespace {

constexpr int kDefaultEmbedWidth = 300;
constexpr int kDefaultEmbedHeight = 150;
// Often enough to see each step of a progress bar that moves a few times a second.
constexpr unsigned kDialogLookMs = 50;

const char* describeEnd(RunEnd end) {
  switch (end) {
    case RunEnd::FrameClosed: return "run ended: the browser window was closed";
    case RunEnd::PageReplaced: return "run ended: the page was replaced";
    case RunEnd::TimeUp: break;
  }
  return "run ended: the run time is over";
}

// The NPP_SetWindow calls before the run: an unreadable record first when asked for, then
// the window record as many times as asked, as a browser laying out the page resizes.
void giveWindow(const Options& options, const NPPluginFuncs& plugin, EmbedInstance& instance, HWND window,
                int width, int height, DialogWatcher& dialogs) {
  if (options.badWindowRecord) {
    instance.setUnreadableWindow(plugin);
    dialogs.look();
  }
  instance.setWindow(plugin, window, width, height);
  dialogs.look();
  for (unsigned long i = 1; i < options.setWindowTimes; ++i) {
    instance.setWindowAgain(plugin);
    dialogs.look();
  }
}

// The window taken away and given back during the run, when the options ask for it.
std::vector<TimedStep> windowSteps(const Options& options, const NPPluginFuncs& plugin, EmbedInstance& instance,
                                   DialogWatcher& dialogs) {
  std::vector<TimedStep> steps;
  if (options.nullWindowAtMs >= 0)
    steps.push_back({static_cast<unsigned long>(options.nullWindowAtMs), [&plugin, &instance, &dialogs] {
                       instance.setNullWindow(plugin);
                       dialogs.look();
                     }});
  if (options.windowAgainAtMs >= 0)
    steps.push_back({static_cast<unsigned long>(options.windowAgainAtMs), [&plugin, &instance, &dialogs] {
                       instance.setWindowAgain(plugin);
                       dialogs.look();
                     }});
  return steps;
}

// From the window handed over to NPP_Destroy, with the dialogs watched all along.
void runPage(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
             EmbedInstance& instance, BrowserWindow& window, int width, int height) {
  DialogWatcher dialogs(window.pluginWindow());
  window.setTicker(kDialogLookMs, [&dialogs] { dialogs.look(); });
  browser.requests().setWake([&window] { window.wake(); });
  giveWindow(options, plugin, instance, window.pluginWindow(), width, height, dialogs);
  const RunEnd end = window.run(options.runMs, windowSteps(options, plugin, instance, dialogs),
                                [&] { return browser.requests().carryOut(plugin); });
  reportLine(describeEnd(end));
  dialogs.look();
  instance.destroy(plugin);
  dialogs.look();  // a dialog the plug-in left behind shows by having no "gone" line
  window.setTicker(0, nullptr);
  browser.requests().setWake(nullptr);
}

}  // namespace

bool runInstance(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
                 const EmbedTag& embed, const std::string& mimeType) {
  BrowserWindow window;
  const int width = embedDimension(embed, "width", kDefaultEmbedWidth);
  const int height = embedDimension(embed, "height", kDefaultEmbedHeight);
  if (!window.create(width, height, options.noParent)) return false;
  EmbedInstance instance(embed, mimeType);
  if (instance.create(plugin) != NPERR_NO_ERROR) {
    reportLine("NPP_New failed: the browser shows no plug-in and calls no other instance callback");
    browser.requests().dropPending();
    return true;
  }
  runPage(options, browser, plugin, instance, window, width, height);
  browser.requests().dropPending();
  browser.reportBalance("NPP_Destroy");
  return true;
}
