// A scripted plug-in for testing the browser stand-in: each "step" parameter of its embed
// is one thing a plug-in may do to its browser, run in order on a worker thread that the
// first window starts. It prints what the browser answered as "probe: " lines.
//   notify URL [TARGET]   NPN_GetURLNotify (no TARGET: a stream request)
//   geturl URL TARGET     NPN_GetURL
//   box TEXT              a message box with caption "Probe"
//   login                 a dialog with an edit field, as an authentication dialog has
//   close                 WM_CLOSE to the browser's top-level window
//   keep N                an N-byte block from NPN_MemAlloc that is never freed
//   freetwice             frees one block twice
//   awaitnotify N         waits (10 s at the most) until N notifications have come
//   dialog TEXT           a progress dialog in the plug-in window, made on the browser's
//                         thread: hidden, text line TEXT (control 202), bar 0..100 (201)
//   show, hide            shows or hides the newest dialog
//   text TEXT             sets the newest dialog's text line
//   progress N            moves the newest dialog's bar to N
//   undialog              has the browser's thread destroy the newest dialog
//   wait MS               sleeps MS milliseconds
//   parent                says which window is the parent of the plug-in window
// Each NPP_SetWindow is told as "setwindow record" or "setwindow null". The dialogs left
// at NPP_Destroy are destroyed there.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/npapi.h"

namespace {

NPNetscapeFuncs* g_browser = nullptr;
DWORD g_browserThread = 0;

// The dialog's controls, and what the browser's thread does for the worker when asked
// through the plug-in window.
constexpr int kBarId = 201;
constexpr int kTextId = 202;
constexpr UINT kMakeDialog = WM_APP + 7;  // lParam: the text line; answers the dialog
constexpr UINT kDropDialog = WM_APP + 8;  // lParam: the dialog

// Distinct colours, so that a report that mixes up the three shows it.
const COLORREF kBackground = RGB(0x33, 0x66, 0x99);
const COLORREF kTextColour = RGB(0x11, 0x22, 0x33);
const COLORREF kBarBackground = RGB(0xAA, 0xBB, 0xCC);
HBRUSH g_background = nullptr;
HBRUSH g_barBackground = nullptr;

// The plug-in window's own procedure, called for what the probe does not handle.
WNDPROC g_windowProcedure = nullptr;

struct Probe {
  std::vector<std::string> steps;
  HWND window = nullptr;
  HANDLE worker = nullptr;
  std::atomic<int> notifications{0};
  std::vector<HWND> dialogs;  // touched by the browser's thread only
  std::atomic<HWND> newest{nullptr};
};

// One write per line: the stand-in writes to the same stream from its own lock, and a
// formatted print may reach the stream in pieces that its lines would split.
void say(const std::string& line) {
  const std::string text = "probe: " + line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

constexpr DWORD kLongestAwaitMs = 10000;

void awaitNotifications(const Probe& probe, int count) {
  const DWORD start = GetTickCount();
  while (probe.notifications < count && GetTickCount() - start < kLongestAwaitMs) Sleep(10);
  say("notifications " + std::to_string(probe.notifications.load()));
}

INT_PTR CALLBACK loginProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) return FALSE;
  EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

// A dialog template in memory: caption "Sign in", one edit field and an OK button; each
// item starts on a 32-bit boundary.
INT_PTR showLoginDialog() {
  alignas(4) static const WORD kTemplate[] = {
      // DLGTEMPLATE: style, extended style, item count, x, y, cx, cy; no menu, default class
      LOWORD(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE), HIWORD(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE),
      0, 0, 2, 10, 10, 120, 50, 0, 0, 'S', 'i', 'g', 'n', ' ', 'i', 'n', 0, 0,
      // the edit field, class 0x0081
      LOWORD(WS_CHILD | WS_VISIBLE | WS_BORDER), HIWORD(WS_CHILD | WS_VISIBLE | WS_BORDER),
      0, 0, 5, 5, 110, 12, 100, 0xFFFF, 0x0081, 0, 0, 0,
      // the OK button, class 0x0080
      LOWORD(WS_CHILD | WS_VISIBLE), HIWORD(WS_CHILD | WS_VISIBLE), 0, 0, 40, 25, 40, 14, IDOK,
      0xFFFF, 0x0080, 'O', 'K', 0, 0};
  return DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(kTemplate), nullptr,
                                 loginProcedure, 0);
}

INT_PTR CALLBACK progressProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(g_background);
  if (message != WM_CTLCOLORSTATIC) return FALSE;
  SetTextColor(reinterpret_cast<HDC>(wParam), kTextColour);
  SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
  const bool bar = reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, kBarId);
  return reinterpret_cast<INT_PTR>(bar ? g_barBackground : g_background);
}

// Browser's thread: a hidden borderless child dialog with its font from the template and
// the two controls made after it.
HWND makeDialog(HWND parent, const char* text) {
  constexpr DWORD kStyle = WS_CHILD | DS_SETFONT | DS_CONTROL;
  alignas(4) static const WORD kTemplate[] = {
      // DLGTEMPLATE: style, extended style, no items, x, y, cx, cy; no menu, default class,
      // no title; then the font's point size and face
      LOWORD(kStyle), HIWORD(kStyle), 0, 0, 0, 0, 0, 160, 30, 0, 0, 0,
      8, 'M', 'S', ' ', 'S', 'h', 'e', 'l', 'l', ' ', 'D', 'l', 'g', 0};
  const HWND dialog = CreateDialogIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(kTemplate), parent,
                                                 progressProcedure, 0);
  if (!dialog) return nullptr;
  CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 4, 4, 200, 16, dialog,
                  reinterpret_cast<HMENU>(kTextId), nullptr, nullptr);
  const HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 4, 24, 200, 12,
                                   dialog, reinterpret_cast<HMENU>(kBarId), nullptr, nullptr);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  return dialog;
}

Probe* g_probe = nullptr;  // the one instance the probe serves

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMakeDialog && g_probe) {
    const HWND dialog = makeDialog(window, reinterpret_cast<const char*>(lParam));
    if (dialog) g_probe->dialogs.push_back(dialog);
    return reinterpret_cast<LRESULT>(dialog);
  }
  if (message == kDropDialog) {
    DestroyWindow(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  return CallWindowProcA(g_windowProcedure, window, message, wParam, lParam);
}

std::string hex(const void* value) {
  char text[16] = "";
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(value)));
  return text;
}

// Steps that act on the newest dialog, from the worker thread as a plug-in's worker does.
bool runDialogStep(Probe& probe, const std::string& verb, const std::string& rest) {
  const HWND dialog = probe.newest;
  if (verb == "dialog")
    probe.newest = reinterpret_cast<HWND>(SendMessageA(probe.window, kMakeDialog, 0, reinterpret_cast<LPARAM>(rest.c_str())));
  else if (verb == "show" || verb == "hide")
    ShowWindow(dialog, verb == "show" ? SW_SHOWNA : SW_HIDE);
  else if (verb == "text")
    SendMessageA(GetDlgItem(dialog, kTextId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(rest.c_str()));
  else if (verb == "progress")
    SendMessageA(GetDlgItem(dialog, kBarId), PBM_SETPOS, static_cast<WPARAM>(std::atoi(rest.c_str())), 0);
  else if (verb == "undialog")
    SendMessageA(probe.window, kDropDialog, 0, reinterpret_cast<LPARAM>(dialog));
  else
    return false;
  return true;
}

void runStep(NPP instance, Probe& probe, const std::string& step) {
  std::istringstream words(step);
  std::string verb, first, second;
  words >> verb >> first >> second;
  const std::string rest = step.size() > verb.size() ? step.substr(verb.size() + 1) : "";
  if (runDialogStep(probe, verb, rest)) return;
  if (verb == "wait")
    Sleep(static_cast<DWORD>(std::atoi(first.c_str())));
  else if (verb == "parent")
    say("parent " + hex(GetParent(probe.window)));
  else if (verb == "notify")
    say("geturlnotify -> " + std::to_string(g_browser->geturlnotify(instance, first.c_str(),
                                                                     second.empty() ? nullptr : second.c_str(), &probe)));
  else if (verb == "geturl")
    say("geturl -> " + std::to_string(g_browser->geturl(instance, first.c_str(), second.c_str())));
  else if (verb == "box")
    say("box answered " + std::to_string(MessageBoxA(nullptr, rest.c_str(), "Probe", MB_OK)));
  else if (verb == "login")
    say("login answered " + std::to_string(showLoginDialog()));
  else if (verb == "close")
    PostMessageA(GetAncestor(probe.window, GA_ROOT), WM_CLOSE, 0, 0);
  else if (verb == "keep")
    g_browser->memalloc(static_cast<uint32>(std::atoi(first.c_str())));
  else if (verb == "freetwice") {
    void* block = g_browser->memalloc(4);
    g_browser->memfree(block);
    g_browser->memfree(block);
  } else if (verb == "awaitnotify")
    awaitNotifications(probe, std::atoi(first.c_str()));
}

DWORD WINAPI work(void* instance) {
  auto* npp = static_cast<NPP>(instance);
  Probe& probe = *static_cast<Probe*>(npp->pdata);
  for (const std::string& step : probe.steps) runStep(npp, probe, step);
  say("steps done");
  return 0;
}

NPError newInstance(NPMIMEType, NPP instance, uint16, int16 argc, char* argn[], char* argv[], NPSavedData*) {
  auto* probe = new Probe;
  for (int i = 0; i < argc; ++i)
    if (lstrcmpiA(argn[i], "step") == 0) probe->steps.push_back(argv[i]);
  instance->pdata = probe;
  g_probe = probe;
  g_browserThread = GetCurrentThreadId();
  return NPERR_NO_ERROR;
}

NPError setWindow(NPP instance, NPWindow* window) {
  auto* probe = static_cast<Probe*>(instance->pdata);
  say(window ? "setwindow record" : "setwindow null");
  if (!window || probe->worker) return NPERR_NO_ERROR;
  probe->window = static_cast<HWND>(window->window);
  g_windowProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(probe->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure)));
  probe->worker = CreateThread(nullptr, 0, work, instance, 0, nullptr);
  return NPERR_NO_ERROR;
}

void urlNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
  auto* probe = static_cast<Probe*>(instance->pdata);
  ++probe->notifications;
  say("urlnotify url=" + std::string(url) + " reason=" + std::to_string(reason) +
      " data " + (notifyData == probe ? "kept" : "lost") + " on " +
      (GetCurrentThreadId() == g_browserThread ? "the browser thread" : "another thread"));
}

NPError destroyInstance(NPP instance, NPSavedData**) {
  auto* probe = static_cast<Probe*>(instance->pdata);
  // Waits for the worker while still serving the window messages it may be waiting for.
  while (probe->worker &&
         MsgWaitForMultipleObjects(1, &probe->worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  if (probe->worker) CloseHandle(probe->worker);
  for (const HWND dialog : probe->dialogs)
    if (IsWindow(dialog) && GetParent(dialog) == probe->window) DestroyWindow(dialog);
  if (g_windowProcedure) SetWindowLongPtrA(probe->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_windowProcedure));
  g_windowProcedure = nullptr;
  g_probe = nullptr;
  delete probe;
  instance->pdata = nullptr;
  return NPERR_NO_ERROR;
}

}  // namespace

extern "C" NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* table) {
  table->version = 9;
  table->newp = newInstance;
  table->destroy = destroyInstance;
  table->setwindow = setWindow;
  table->urlnotify = urlNotify;
  return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Initialize(NPNetscapeFuncs* table) {
  g_browser = table;
  const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  g_background = CreateSolidBrush(kBackground);
  g_barBackground = CreateSolidBrush(kBarBackground);
  say("browser table size=" + std::to_string(table->size) + " geturlnotify " +
      (table->geturlnotify ? "present" : "absent") + " forceredraw " + (table->forceredraw ? "present" : "absent"));
  return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Shutdown() {
  g_browser = nullptr;
  DeleteObject(g_background);
  DeleteObject(g_barBackground);
  return NPERR_NO_ERROR;
}
