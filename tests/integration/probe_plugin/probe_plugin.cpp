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
#include <windows.h>

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

struct Probe {
  std::vector<std::string> steps;
  HWND window = nullptr;
  HANDLE worker = nullptr;
  std::atomic<int> notifications{0};
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

void runStep(NPP instance, Probe& probe, const std::string& step) {
  std::istringstream words(step);
  std::string verb, first, second;
  words >> verb >> first >> second;
  if (verb == "notify")
    say("geturlnotify -> " + std::to_string(g_browser->geturlnotify(instance, first.c_str(),
                                                                     second.empty() ? nullptr : second.c_str(), &probe)));
  else if (verb == "geturl")
    say("geturl -> " + std::to_string(g_browser->geturl(instance, first.c_str(), second.c_str())));
  else if (verb == "box")
    say("box answered " + std::to_string(MessageBoxA(nullptr, step.substr(4).c_str(), "Probe", MB_OK)));
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
  g_browserThread = GetCurrentThreadId();
  return NPERR_NO_ERROR;
}

NPError setWindow(NPP instance, NPWindow* window) {
  auto* probe = static_cast<Probe*>(instance->pdata);
  if (!window || probe->worker) return NPERR_NO_ERROR;
  probe->window = static_cast<HWND>(window->window);
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
  say("browser table size=" + std::to_string(table->size) + " geturlnotify " +
      (table->geturlnotify ? "present" : "absent") + " forceredraw " + (table->forceredraw ? "present" : "absent"));
  return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Shutdown() {
  g_browser = nullptr;
  return NPERR_NO_ERROR;
}
