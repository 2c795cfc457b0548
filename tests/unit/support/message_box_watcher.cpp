// MessageBoxWatcher: polls this process's top-level dialogs and answers each once.
#include "support/message_box_watcher.h"

namespace {

std::string windowText(HWND window) {
  char text[2048] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int answer) : m_answer(answer), m_thread([this] { watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  m_stop = true;
  m_thread.join();
}

std::vector<SeenBox> MessageBoxWatcher::boxes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_boxes;
}

bool MessageBoxWatcher::waitForBoxes(size_t count, DWORD timeoutMs) const {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (boxes().size() >= count) return true;
    Sleep(10);
  }
  return boxes().size() >= count;
}

void MessageBoxWatcher::watch() {
  while (!m_stop) {
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(this));
    Sleep(20);
  }
}

BOOL CALLBACK MessageBoxWatcher::visitWindow(HWND window, LPARAM self) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  if (process == GetCurrentProcessId() && lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window))
    reinterpret_cast<MessageBoxWatcher*>(self)->answerIfNew(window);
  return TRUE;
}

void MessageBoxWatcher::answerIfNew(HWND box) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_answered.insert(box).second) return;
  }
  SeenBox seen{windowText(box), windowText(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER)};
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.push_back(seen);
  }
  PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(m_answer.load()), 0);
}
