// The instance methods behind the stream, print and notification callbacks. The plug-in
// takes no data streams and prints nothing: each method is only its guard.
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"

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

void CMyPlugin::URLNotify() { runGuarded(this, "CMyPlugin::URLNotify()", [] {}); }
