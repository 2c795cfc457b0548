// Answers this process's message boxes and dialogs (top-level windows of class
// "#32770") as a user at the browser would: reports what each says, then OK, or the
// chosen answer for authentication dialogs (those with edit fields). Runs a thread of its
// own from construction to stop(); that thread only reads the boxes and posts to them.
// Its lines name no instance: Windows makes a box's owner the top-level window above the
// plug-in window it was given, the browser window all of a page's instances share, so
// nothing about a box says which instance showed it.
#pragma once

#include <windows.h>

#include <atomic>
#include <set>
#include <thread>

#include "options.h"

class BoxWatcher {
 public:
  explicit BoxWatcher(AuthAnswer authAnswer);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  void stop();
  // How many message boxes (not authentication dialogs) have been answered so far.
  unsigned long messageBoxesAnswered() const { return m_messageBoxes; }

 private:
  void watch();
  void sweep();
  void answer(HWND box);
  static BOOL CALLBACK visitWindow(HWND window, LPARAM self);

  const AuthAnswer m_authAnswer;
  std::atomic<bool> m_stopping{false};
  std::atomic<unsigned long> m_messageBoxes{0};
  std::set<HWND> m_answered;  // touched by the watching thread only
  std::thread m_thread;
};
