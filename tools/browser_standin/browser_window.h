// The browser's windows and its main-thread message loop: a top-level frame
// ("Ostrel stand-in browser") holding a child window for the plug-in, pumped until the
// frame is asked to close, the page is replaced, or the run time is over. The main
// thread makes, pumps and destroys the windows; other threads only call wake().
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

enum class RunEnd { TimeUp, FrameClosed, PageReplaced };

class BrowserWindow {
 public:
  BrowserWindow() = default;
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Makes and shows the frame with a plug-in window of that size; false, after
  // reporting why, when a window cannot be made.
  bool create(int pluginWidth, int pluginHeight);
  HWND pluginWindow() const { return m_plugin; }

  // Any thread: makes the message loop look at its work (see run) soon.
  void wake();

  // Pumps messages for at most runMs. carryOut is called on the main thread before each
  // wait; it returns true when the page was replaced.
  RunEnd run(unsigned long runMs, const std::function<bool()>& carryOut);

  void destroy();

 private:
  static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void registerClasses();
  void pumpWaitingMessages();

  std::atomic<HWND> m_frame{nullptr};
  HWND m_plugin = nullptr;
  bool m_closeRequested = false;
};
