// How quickly the browser's thread answers while the page runs: another thread sends it
// a message every few milliseconds and keeps the longest wait for the answer. A plug-in
// that blocks the browser's thread (a network wait, say) shows as a long answer.
#pragma once

#include <windows.h>

#include <atomic>

class AnswerProbe {
 public:
  AnswerProbe() = default;
  ~AnswerProbe();
  AnswerProbe(const AnswerProbe&) = delete;
  AnswerProbe& operator=(const AnswerProbe&) = delete;

  // Starts asking window, a window of the browser's thread.
  bool start(HWND window);
  // Stops asking and returns the longest answer in milliseconds.
  unsigned long stop();

 private:
  static DWORD WINAPI probeProcedure(LPVOID self);

  HWND m_window = nullptr;
  HANDLE m_thread = nullptr;
  HANDLE m_stop = nullptr;
  std::atomic<unsigned long> m_longestMs{0};
};
