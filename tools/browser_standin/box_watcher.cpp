// BoxWatcher: polls the process's top-level windows and answers each new box once.
#include "box_watcher.h"

#include <string>

#include "line_output.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr int kMessageTextId = 0xFFFF;  // the static control of a message box's text

std::string windowText(HWND window) {
  char text[4096] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

bool isOwnVisibleDialog(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  return process == GetCurrentProcessId() && lstrcmpA(className, "#32770") == 0 &&
         IsWindowVisible(window);
}

}  // namespace

BoxWatcher::BoxWatcher(AuthAnswer authAnswer)
    : m_authAnswer(authAnswer), m_thread([this] { watch(); }) {}

BoxWatcher::~BoxWatcher() { stop(); }

void BoxWatcher::stop() {
  m_stopping = true;
  if (m_thread.joinable()) m_thread.join();
}

void BoxWatcher::watch() {
  while (!m_stopping) {
    sweep();
    Sleep(kPollMs);
  }
}

void BoxWatcher::sweep() {
  // A closed box's handle may come back for a new box: forget the ones that are gone.
  for (auto it = m_answered.begin(); it != m_answered.end();)
    it = IsWindow(*it) ? std::next(it) : m_answered.erase(it);
  EnumWindows(visitWindow, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK BoxWatcher::visitWindow(HWND window, LPARAM self) {
  auto* watcher = reinterpret_cast<BoxWatcher*>(self);
  if (isOwnVisibleDialog(window) && watcher->m_answered.insert(window).second)
    watcher->answer(window);
  return TRUE;
}

void BoxWatcher::answer(HWND box) {
  const std::string caption = quoted(windowText(box));
  if (FindWindowExA(box, nullptr, "Edit", nullptr)) {
    const bool ok = m_authAnswer == AuthAnswer::Ok;
    reportLine("authentication dialog caption=" + caption + " -> " + (ok ? "OK" : "Cancel"));
    PostMessageA(box, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    return;
  }
  reportLine("message box caption=" + caption +
             " text=" + quoted(windowText(GetDlgItem(box, kMessageTextId))) + " -> OK");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ++m_messageBoxes;
}
