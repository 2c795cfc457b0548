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
const char kAreaOwnerProperty[] = "OstrelStandinBrowserWindow";

std::string handle(HWND window) { return hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window))); }

// The frame's client area: the widest plug-in window, and the windows one below the
// other, with a margin around each.
SIZE pageSize(const std::vector<PluginArea>& areas) {
  SIZE size = {0, kPageMargin};
  for (const PluginArea& area : areas) {
    size.cx = std::max<LONG>(size.cx, area.width);
    size.cy += area.height + kPageMargin;
  }
  size.cx += 2 * kPageMargin;
  return size;
}

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

bool BrowserWindow::createPluginWindows(const std::vector<PluginArea>& areas, bool withoutParent) {
  m_pluginOwnWindows = withoutParent;
  const DWORD style = (withoutParent ? WS_POPUP : WS_CHILD) | WS_VISIBLE | WS_CLIPCHILDREN;
  int top = kPageMargin;
  for (const PluginArea& area : areas) {
    const HWND window = CreateWindowExA(0, kPluginClass, "", style, kPageMargin, top, area.width, area.height,
                                        withoutParent ? nullptr : m_frame.load(), nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    // A property, not the window's user data: the plug-in owns the window's use and may
    // take the user data for itself.
    SetPropA(window, kAreaOwnerProperty, this);
    m_plugins.push_back({window, area.prefix});
    top += area.height + kPageMargin;
  }
  return true;
}

bool BrowserWindow::create(const std::vector<PluginArea>& areas, bool withoutParent) {
  registerClasses();
  const SIZE page = pageSize(areas);
  RECT area = {0, 0, page.cx, page.cy};
  AdjustWindowRect(&area, WS_OVERLAPPEDWINDOW, FALSE);
  const HWND frame = CreateWindowExA(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                     CW_USEDEFAULT, CW_USEDEFAULT, area.right - area.left,
                                     area.bottom - area.top, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), this);
  m_frame = frame;
  if (!frame || !createPluginWindows(areas, withoutParent)) {
    reportLine("the browser window cannot be made, error " + std::to_string(GetLastError()));
    destroy();
    return false;
  }
  ShowWindow(frame, SW_SHOWNORMAL);
  UpdateWindow(frame);
  reportWindows(areas);
  return true;
}

void BrowserWindow::reportWindows(const std::vector<PluginArea>& areas) const {
  const std::string frame = handle(m_frame.load());
  for (size_t i = 0; i < areas.size(); ++i) {
    reportLine(areas[i].prefix + "frame window " + frame + " plug-in window " + handle(m_plugins[i].window) + " " +
               std::to_string(areas[i].width) + "x" + std::to_string(areas[i].height));
    if (m_pluginOwnWindows) reportLine(areas[i].prefix + "the plug-in window is a top-level window without parent");
  }
}

std::string BrowserWindow::prefixOf(HWND pluginWindow) const {
  for (const PluginWindow& plugin : m_plugins)
    if (plugin.window == pluginWindow) return plugin.prefix;
  return "";
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

RunEnd BrowserWindow::run(unsigned long runMs, std::vector<TimedStep> steps, const std::function<bool()>& carryOut,
                          const std::function<bool()>& boxesAnswered) {
  std::stable_sort(steps.begin(), steps.end(), [](const TimedStep& a, const TimedStep& b) { return a.atMs < b.atMs; });
  size_t next = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    if (m_closeRequested) return RunEnd::FrameClosed;
    if (carryOut()) return RunEnd::PageReplaced;
    if (boxesAnswered()) return RunEnd::BoxesAnswered;
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
  if (m_pluginOwnWindows)
    for (const PluginWindow& plugin : m_plugins) DestroyWindow(plugin.window);
  const HWND frame = m_frame.exchange(nullptr);
  if (frame) DestroyWindow(frame);  // takes child plug-in windows with it
  m_plugins.clear();
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
    const auto* self = static_cast<const BrowserWindow*>(GetPropA(window, kAreaOwnerProperty));
    reportLine((self ? self->prefixOf(window) : "") + "the plug-in window was asked to close; it stays with the page");
    return 0;
  }
  if (message == WM_NCDESTROY) RemovePropA(window, kAreaOwnerProperty);
  return DefWindowProcA(window, message, wParam, lParam);
}
