// The browser's windows and its main-thread message loop: a top-level frame
// ("Ostrel stand-in browser") holding a child window for each embed of the plug-in, one
// below the other in page order (or, on request, plug-in windows of their own beside it),
// pumped until the frame is asked to close, the page is replaced, or the run time is over.
// The main thread makes, pumps and destroys the windows, and runs the ticker and the
// timed steps; other threads only call wake().
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

enum class RunEnd { TimeUp, FrameClosed, PageReplaced, BoxesAnswered };

// Something the browser does on its own at a time into the run.
struct TimedStep {
  unsigned long atMs;
  std::function<void()> action;
};

// One embed's window: its size, and the prefix of the lines about it.
struct PluginArea {
  int width;
  int height;
  std::string prefix;
};

class BrowserWindow {
 public:
  BrowserWindow() = default;
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Makes and shows the frame with a plug-in window for each area, the frame's children
  // unless withoutParent; false, after reporting why, when a window cannot be made.
  bool create(const std::vector<PluginArea>& areas, bool withoutParent);
  HWND frame() const { return m_frame; }
  // The window of the area of that index.
  HWND pluginWindow(size_t index) const { return m_plugins[index].window; }

  // Any thread: makes the message loop look at its work (see run) soon.
  void wake();

  // Calls tick on the main thread every intervalMs while messages are dispatched, also
  // from message loops the plug-in runs itself; an empty tick stops the calls.
  void setTicker(unsigned intervalMs, std::function<void()> tick);

  // Pumps messages for at most runMs. carryOut is called on the main thread before each
  // wait; it returns true when the page was replaced. boxesAnswered, called there too,
  // returns true when the boxes that end the run have been answered. Each step runs once when its time
  // into the run has come, in the order of their times; steps beyond runMs never run.
  RunEnd run(unsigned long runMs, std::vector<TimedStep> steps, const std::function<bool()>& carryOut,
             const std::function<bool()>& boxesAnswered);

  void destroy();

 private:
  static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK pluginAreaProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool createPluginWindows(const std::vector<PluginArea>& areas, bool withoutParent);
  void reportWindows(const std::vector<PluginArea>& areas) const;
  std::string prefixOf(HWND pluginWindow) const;
  static void registerClasses();
  void pumpWaitingMessages();

  struct PluginWindow {
    HWND window;
    std::string prefix;
  };

  std::atomic<HWND> m_frame{nullptr};
  std::vector<PluginWindow> m_plugins;
  bool m_pluginOwnWindows = false;  // top-level: the frame does not take them along
  bool m_closeRequested = false;
  std::function<void()> m_tick;
};
