// The instance methods behind the stream, print and notification callbacks. The plug-in
// takes no data streams and prints nothing: those methods are only their guards.
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/top_level_window.h"

NPError CMyPlugin::CreateStream() {
  runGuarded(this, "CMyPlugin::CreateStream()", [] {});
  // Refusing every stream keeps the browser from delivering data to the plug-in.
  return NPERR_GENERIC_ERROR;
}

NPError CMyPlugin::DestroyStream() {
  return runGuarded(this, "CMyPlugin::DestroyStream()", [] {}) ? NPERR_NO_ERROR
                                                                : NPERR_GENERIC_ERROR;
}

void CMyPlugin::StreamAsFile() { runGuarded(this, "CMyPlugin::StreamAsFile()", [] {}); }

int32 CMyPlugin::WriteReady() {
  runGuarded(this, "CMyPlugin::WriteReady()", [] {});
  return 0;
}

// The write handler has always carried this trace name; server-side log readers know
// its faults by it.
int32 CMyPlugin::Write() {
  runGuarded(this, "Exiting CMyPlugin::URLNotify()", [] {});
  return 0;
}

void CMyPlugin::PrintInfo() { runGuarded(this, "CMyPlugin::PrintInfo()", [] {}); }

// The browser has carried out the redirect: the window that holds the plug-in is the one
// to close, when the page asked for it. What the browser reports is not examined: a
// redirect that failed ends the page like one that went through.
void CMyPlugin::URLNotify() {
  runGuarded(this, "CMyPlugin::URLNotify()", [this] {
    if (m_page.closeWindowGiven) m_frameWindow = FindTopLevelWindow(m_npWindow);
  });
}
