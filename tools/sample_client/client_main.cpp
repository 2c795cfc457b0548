// The sample conferencing client: opens a small window naming its configuration file,
// tells whoever started it that it is up by signalling the startup event (unless
// OSTREL_SAMPLE_CLIENT_SILENT is set: a client slow to come up), stays for
// OSTREL_SAMPLE_CLIENT_MS milliseconds (default 3000) and exits. Each step goes to the
// record (sample_record.h).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "sample_record.h"

namespace {

// The plug-in waits on this manual-reset event after starting the client, then closes
// the browser window.
constexpr char kStartupEventName[] = "{5B2E91C7-3F08-4d6a-B1C4-92E07A5D3F61}";
constexpr char kWindowClass[] = "OstrelSampleClient";
constexpr UINT kDefaultStayMs = 3000;
constexpr UINT_PTR kStayTimer = 1;

UINT stayMilliseconds() {
  const std::string text = environmentText("OSTREL_SAMPLE_CLIENT_MS");
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return (text.empty() || *end) ? kDefaultStayMs : static_cast<UINT>(value);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      KillTimer(window, kStayTimer);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND openWindow(HINSTANCE instance, const std::string& text) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassA(&windowClass)) return nullptr;
  HWND window = CreateWindowExA(0, kWindowClass, "Ostrel Client (sample)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 120, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 16, 440, 40, window, nullptr,
                  instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

// The event stays open until the client exits: a manual-reset event lives only as long
// as somebody holds it, and the plug-in may open it after this signal.
HANDLE signalStartup() {
  if (!environmentText("OSTREL_SAMPLE_CLIENT_SILENT").empty()) {
    recordLine("client: startup event left unsignalled");
    return nullptr;
  }
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, kStartupEventName);
  if (event && SetEvent(event)) {
    recordLine("client: startup event signalled");
    return event;
  }
  recordLine("client: startup event failed (error " + std::to_string(GetLastError()) + ")");
  if (event) CloseHandle(event);
  return nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  recordLine(std::string("client: command line ") + GetCommandLineA());
  const std::string configuration = __argc >= 2 ? __argv[1] : "(none given)";
  HWND window = openWindow(instance, "Configuration file: " + configuration);
  if (!window) {
    recordLine("client: window failed (error " + std::to_string(GetLastError()) + ")");
    recordLine("client: exit");
    return 1;
  }
  recordLine("client: window open");
  HANDLE event = signalStartup();
  SetTimer(window, kStayTimer, stayMilliseconds(), nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (event) CloseHandle(event);
  recordLine("client: exit");
  return event ? 0 : 1;
}
