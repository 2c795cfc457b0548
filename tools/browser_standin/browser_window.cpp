// BrowserWindow: window classes, the frame's procedure and the message loop.
#include "browser_window.h"

#include <string>

#include "line_output.h"

namespace {

const char kFrameClass[] = "OstrelStandinFrame";
const char kPluginClass[] = "OstrelStandinPluginArea";
const char kFrameTitle[] = "Ostrel stand-in browser";
constexpr UINT kWakeMessage = WM_APP + 1;
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
  plugin.lpfnWndProc = DefWindowProcA;
  plugin.lpszClassName = kPluginClass;
  registered = RegisterClassA(&frame) && RegisterClassA(&plugin);
}

bool BrowserWindow::create(int pluginWidth, int pluginHeight) {
  registerClasses();
  RECT area = {0, 0, pluginWidth + 2 * kPageMargin, pluginHeight + 2 * kPageMargin};
  AdjustWindowRect(&area, WS_OVERLAPPEDWINDOW, FALSE);
  const HWND frame = CreateWindowExA(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                     CW_USEDEFAULT, CW_USEDEFAULT, area.right - area.left,
                                     area.bottom - area.top, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), this);
  m_frame = frame;
  if (frame) {
    m_plugin = CreateWindowExA(0, kPluginClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                               kPageMargin, kPageMargin, pluginWidth, pluginHeight, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  }
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
  return true;
}

void BrowserWindow::wake() {
  if (const HWND frame = m_frame.load()) PostMessageA(frame, kWakeMessage, 0, 0);
}

RunEnd BrowserWindow::run(unsigned long runMs, const std::function<bool()>& carryOut) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (m_closeRequested) return RunEnd::FrameClosed;
    if (carryOut()) return RunEnd::PageReplaced;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= runMs) return RunEnd::TimeUp;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, runMs - elapsed, QS_ALLINPUT);
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
  const HWND frame = m_frame.exchange(nullptr);
  if (frame) DestroyWindow(frame);  // takes the plug-in window with it
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
  if (message == kWakeMessage) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}
