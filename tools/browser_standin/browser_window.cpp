// BrowserWindow: window classes, the frame's procedure and the message loop.
#include "browser_window.h"

#include <algorithm>
#include <string>

#include "line_output.h"

namespace {

const char kFrameClass[] = "OstrelStandinFrame";
const char kPluginClass[] = "OstrelStandinPluginArea";
const char kFrameTitle[] = "Ostrel stand-in browser";
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 1;
constexpr int kPageMargin = 8;

}  // namespace

BrowserWindow::~BrowserWindow() { destroy(); }

void BrowserWindow::registerClasses() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA frame = {};
  frame.lpfnWndProc = frameProcedure;
  frame.hInstance = GetModuleHandleA(nullptr);
  frame.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  frame.lpszClassName = kFrameClass;
  WNDCLASSA plugin = frame;
  plugin.lpfnWndProc = pluginAreaProcedure;
  plugin.lpszClassName = kPluginClass;
  registered = RegisterClassA(&frame) && RegisterClassA(&plugin);
}

HWND BrowserWindow::createPluginWindow(int width, int height, bool withoutParent) {
  m_pluginOwnWindow = withoutParent;
  const DWORD style = (withoutParent ? WS_POPUP : WS_CHILD) | WS_VISIBLE | WS_CLIPCHILDREN;
  return CreateWindowExA(0, kPluginClass, "", style, kPageMargin, kPageMargin, width, height,
                         withoutParent ? nullptr : m_frame.load(), nullptr, GetModuleHandleA(nullptr), nullptr);
}

bool BrowserWindow::create(int pluginWidth, int pluginHeight, bool withoutParent) {
  registerClasses();
  RECT area = {0, 0, pluginWidth + 2 * kPageMargin, pluginHeight + 2 * kPageMargin};
  AdjustWindowRect(&area, WS_OVERLAPPEDWINDOW, FALSE);
  const HWND frame = CreateWindowExA(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                     CW_USEDEFAULT, CW_USEDEFAULT, area.right - area.left,
                                     area.bottom - area.top, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), this);
  m_frame = frame;
  if (frame) m_plugin = createPluginWindow(pluginWidth, pluginHeight, withoutParent);
  if (!frame || !m_plugin) {
    reportLine("the browser window cannot be made, error " + std::to_string(GetLastError()));
    destroy();
    return false;
  }
  ShowWindow(frame, SW_SHOWNORMAL);
  UpdateWindow(frame);
  reportLine("frame window " + hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(frame))) +
             " plug-in window " + hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_plugin))) +
             " " + std::to_string(pluginWidth) + "x" + std::to_string(pluginHeight));
  if (withoutParent) reportLine("the plug-in window is a top-level window without parent");
  return true;
}

void BrowserWindow::wake() {
  if (const HWND frame = m_frame.load()) PostMessageA(frame, kWakeMessage, 0, 0);
}

void BrowserWindow::setTicker(unsigned intervalMs, std::function<void()> tick) {
  m_tick = std::move(tick);
  if (!m_frame.load()) return;
  if (m_tick) SetTimer(m_frame.load(), kTickTimer, intervalMs, nullptr);
  else KillTimer(m_frame.load(), kTickTimer);
}

RunEnd BrowserWindow::run(unsigned long runMs, std::vector<TimedStep> steps, const std::function<bool()>& carryOut) {
  std::stable_sort(steps.begin(), steps.end(), [](const TimedStep& a, const TimedStep& b) { return a.atMs < b.atMs; });
  size_t next = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    if (m_closeRequested) return RunEnd::FrameClosed;
    if (carryOut()) return RunEnd::PageReplaced;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= runMs) return RunEnd::TimeUp;
    if (next < steps.size() && steps[next].atMs <= elapsed) {
      steps[next++].action();
      continue;
    }
    DWORD wait = runMs - elapsed;
    if (next < steps.size()) wait = std::min<DWORD>(wait, steps[next].atMs - elapsed);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    pumpWaitingMessages();
  }
}

void BrowserWindow::pumpWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void BrowserWindow::destroy() {
  m_tick = nullptr;
  if (m_plugin && m_pluginOwnWindow) DestroyWindow(m_plugin);
  const HWND frame = m_frame.exchange(nullptr);
  if (frame) DestroyWindow(frame);  // takes a child plug-in window with it
  m_plugin = nullptr;
}

LRESULT CALLBACK BrowserWindow::frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_CLOSE && self) {
    // The window stays until the instance is destroyed; the run ends at the next turn
    // of the message loop.
    if (!self->m_closeRequested) reportLine("frame closed by the plug-in");
    self->m_closeRequested = true;
    return 0;
  }
  if (message == WM_TIMER && wParam == kTickTimer && self && self->m_tick) {
    self->m_tick();
    return 0;
  }
  if (message == kWakeMessage) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK BrowserWindow::pluginAreaProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // The plug-in's window belongs to the page, which the browser closes, not the plug-in:
    // the request is reported and the window kept, so that what follows stays observable.
    reportLine("the plug-in window was asked to close; it stays with the page");
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
