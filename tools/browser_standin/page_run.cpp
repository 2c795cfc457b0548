// runInstances and its steps, in the order a browser takes them.
#include "page_run.h"

#include <algorithm>
#include <memory>

#include "answer_probe.h"
#include "browser_window.h"
#include "window_capture.h"
#include "dialog_watcher.h"
#include "embed_instance.h"
#include "instance_names.h"
#include "line_output.h"

namespace {

constexpr int kDefaultEmbedWidth = 300;
constexpr int kDefaultEmbedHeight = 150;
// Often enough to see each step of a progress bar that moves a few times a second.
constexpr unsigned kDialogLookMs = 50;

// An instance NPP_New accepted, with the plug-in window the page has for it.
struct LiveInstance {
  EmbedInstance* instance;
  HWND window;
  const PluginArea* area;
};

// The dialog watchers of the live instances, all looked at after each step, so that the
// lines of every instance keep the order in which things happened.
class PageDialogs {
 public:
  void watch(HWND pluginWindow, const std::string& prefix) {
    m_watchers.push_back(std::make_unique<DialogWatcher>(pluginWindow, prefix));
  }
  void look() {
    for (const auto& watcher : m_watchers) watcher->look();
  }
  long highestPartWay() const {
    long highest = -1;
    for (const auto& watcher : m_watchers) highest = std::max(highest, watcher->highestPartWay());
    return highest;
  }

 private:
  std::vector<std::unique_ptr<DialogWatcher>> m_watchers;
};

const char* describeEnd(RunEnd end) {
  switch (end) {
    case RunEnd::FrameClosed: return "run ended: the browser window was closed";
    case RunEnd::PageReplaced: return "run ended: the page was replaced";
    case RunEnd::BoxesAnswered: return "run ended: the message boxes asked for were answered";
    case RunEnd::TimeUp: break;
  }
  return "run ended: the run time is over";
}

std::vector<PluginArea> pageAreas(const std::vector<EmbedTag>& embeds) {
  std::vector<PluginArea> areas;
  for (size_t i = 0; i < embeds.size(); ++i)
    areas.push_back({embedDimension(embeds[i], "width", kDefaultEmbedWidth),
                     embedDimension(embeds[i], "height", kDefaultEmbedHeight), instancePrefix(i, embeds.size())});
  return areas;
}

// NPP_New for each embed in page order; the instances it accepted.
std::vector<LiveInstance> createInstances(BrowserServices& browser, const NPPluginFuncs& plugin,
                                          const std::vector<std::unique_ptr<EmbedInstance>>& instances,
                                          const BrowserWindow& window, const std::vector<PluginArea>& areas) {
  std::vector<LiveInstance> live;
  for (size_t i = 0; i < instances.size(); ++i) {
    EmbedInstance& instance = *instances[i];
    if (instance.create(plugin) == NPERR_NO_ERROR) {
      live.push_back({&instance, window.pluginWindow(i), &areas[i]});
      continue;
    }
    reportLine(instance.prefix() + "NPP_New failed: the browser shows no plug-in and calls no other instance callback");
    // The other instances' requests stay; on a page of one embed nothing is left to run,
    // and the caller drops everything.
    if (instances.size() > 1) browser.requests().dropPendingOf(instance.npp());
  }
  return live;
}

// The NPP_SetWindow calls before the run: an unreadable record first when asked for, then
// the window record as many times as asked, as a browser laying out the page resizes.
void giveWindow(const Options& options, const NPPluginFuncs& plugin, const LiveInstance& live,
                PageDialogs& dialogs) {
  EmbedInstance& instance = *live.instance;
  if (options.badWindowRecord) {
    instance.setUnreadableWindow(plugin);
    dialogs.look();
  }
  instance.setWindow(plugin, live.window, live.area->width, live.area->height);
  dialogs.look();
  for (unsigned long i = 1; i < options.setWindowTimes; ++i) {
    instance.setWindowAgain(plugin);
    dialogs.look();
  }
}

// The windows taken away and given back during the run, when the options ask for it;
// at each time, the instances in page order.
std::vector<TimedStep> windowSteps(const Options& options, const NPPluginFuncs& plugin,
                                   const std::vector<LiveInstance>& live, PageDialogs& dialogs) {
  std::vector<TimedStep> steps;
  for (const LiveInstance& each : live) {
    EmbedInstance* instance = each.instance;
    if (options.nullWindowAtMs >= 0)
      steps.push_back({static_cast<unsigned long>(options.nullWindowAtMs), [&plugin, instance, &dialogs] {
                         instance->setNullWindow(plugin);
                         dialogs.look();
                       }});
    if (options.windowAgainAtMs >= 0)
      steps.push_back({static_cast<unsigned long>(options.windowAgainAtMs), [&plugin, instance, &dialogs] {
                         instance->setWindowAgain(plugin);
                         dialogs.look();
                       }});
  }
  return steps;
}

// From the windows handed over to the last NPP_Destroy, with the dialogs watched all
// along. The page is one page in one browser window: whichever instance closes the window
// or sends the page elsewhere ends the run for all of them, as in a browser.
void runPage(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
             const std::vector<LiveInstance>& live, BrowserWindow& window, const BoxWatcher& boxes) {
  PageDialogs dialogs;
  for (const LiveInstance& each : live) dialogs.watch(each.window, each.instance->prefix());
  bool captured = false;
  window.setTicker(kDialogLookMs, [&] {
    dialogs.look();
    // Once, when a bar has come far enough: the picture of the browser window.
    if (options.captureAtPercent < 0 || captured || dialogs.highestPartWay() < options.captureAtPercent) return;
    captured = true;
    reportLine(captureWindow(window.frame(), options.captureFile) ? "captured the browser window into " +
                                                                        options.captureFile
                                                                  : "the browser window could not be captured");
  });
  browser.requests().setWake([&window] { window.wake(); });
  for (const LiveInstance& each : live) giveWindow(options, plugin, each, dialogs);
  AnswerProbe probe;
  const bool probing = options.answerProbe && probe.start(live.front().window);
  const RunEnd end = window.run(options.runMs, windowSteps(options, plugin, live, dialogs),
                                [&] { return browser.requests().carryOut(plugin); },
                                [&] { return options.endAfterBoxes && boxes.messageBoxesAnswered() >= options.endAfterBoxes; });
  if (probing)
    reportLine("browser thread answered within " + std::to_string(probe.stop()) + " ms at the most");
  reportLine(describeEnd(end));
  dialogs.look();
  for (const LiveInstance& each : live) {
    each.instance->destroy(plugin);
    dialogs.look();  // a dialog the plug-in left behind shows by having no "gone" line
  }
  window.setTicker(0, nullptr);
  browser.requests().setWake(nullptr);
}

}  // namespace

bool runInstances(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
                  const std::vector<EmbedTag>& embeds, const std::string& mimeType, const BoxWatcher& boxes) {
  const std::vector<PluginArea> areas = pageAreas(embeds);
  BrowserWindow window;
  if (!window.create(areas, options.noParent)) return false;
  // Every record is made and named before the first NPP_New, so that whatever the plug-in
  // calls back with finds its name.
  std::vector<std::unique_ptr<EmbedInstance>> instances;
  for (size_t i = 0; i < embeds.size(); ++i) {
    instances.push_back(std::make_unique<EmbedInstance>(embeds[i], mimeType, areas[i].prefix));
    browser.names().name(instances.back()->npp(), areas[i].prefix);
  }
  const std::vector<LiveInstance> live = createInstances(browser, plugin, instances, window, areas);
  if (live.empty()) {
    browser.requests().dropPending();
    return true;
  }
  runPage(options, browser, plugin, live, window, boxes);
  browser.requests().dropPending();
  browser.reportBalance("NPP_Destroy");
  return true;
}
