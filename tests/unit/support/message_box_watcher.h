// Answers the message boxes and dialogs (window class "#32770") of this process as a
// user would, and records what they said. Runs its own thread while it lives.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
  std::string caption;
  std::string text;  // the message text of a message box (control 0xFFFF)
  HWND owner;
};

class MessageBoxWatcher {
 public:
  // answer is the command posted to each box: IDOK, or IDCANCEL for dialogs to refuse.
  explicit MessageBoxWatcher(int answer = IDOK);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  void setAnswer(int answer) { m_answer = answer; }
  std::vector<SeenBox> boxes() const;
  // Waits up to timeoutMs for at least count boxes; true when they came.
  bool waitForBoxes(size_t count, DWORD timeoutMs) const;

 private:
  void watch();
  void answerIfNew(HWND box);
  static BOOL CALLBACK visitWindow(HWND window, LPARAM self);

  std::atomic<int> m_answer;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<SeenBox> m_boxes;
  std::set<HWND> m_answered;
  std::thread m_thread;
};
