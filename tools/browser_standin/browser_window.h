// The browser's windows and its main-thread message loop: a top-level frame
// ("Ostrel stand-in browser") holding a child window for the plug-in (or, on request, a
// plug-in window of its own beside it), pumped until the frame is asked to close, the page
// is replaced, or the run time is over. The main thread makes, pumps and destroys the
// windows, and runs the ticker and the timed steps; other threads only call wake().
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <vector>

enum class RunEnd { TimeUp, FrameClosed, PageReplaced };

// Something the browser does on its own at a time into the run.
struct TimedStep {
  unsigned long atMs;
  std::function<void()> action;
};

class BrowserWindow {
 public:
  BrowserWindow() = default;
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Makes and shows the frame with a plug-in window of that size, the frame's child
  // unless withoutParent; false, after reporting why, when a window cannot be made.
  bool create(int pluginWidth, int pluginHeight, bool withoutParent);
  HWND pluginWindow() const { return m_plugin; }

  // Any thread: makes the message loop look at its work (see run) soon.
  void wake();

  // Calls tick on the main thread every intervalMs while messages are dispatched, also
  // from message loops the plug-in runs itself; an empty tick stops the calls.
  void setTicker(unsigned intervalMs, std::function<void()> tick);

  // Pumps messages for at most runMs. carryOut is called on the main thread before each
  // wait; it returns true when the page was replaced. Each step runs once when its time
  // into the run has come, in the order of their times; steps beyond runMs never run.
  RunEnd run(unsigned long runMs, std::vector<TimedStep> steps, const std::function<bool()>& carryOut);

  void destroy();

 private:
  static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK pluginAreaProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND createPluginWindow(int width, int height, bool withoutParent);
  static void registerClasses();
  void pumpWaitingMessages();

  std::atomic<HWND> m_frame{nullptr};
  HWND m_plugin = nullptr;
  bool m_pluginOwnWindow = false;  // top-level: the frame does not take it along
  bool m_closeRequested = false;
  std::function<void()> m_tick;
};
