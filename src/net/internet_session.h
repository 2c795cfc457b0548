// The internet session of one plug-in instance: opened on the browser's thread when the
// instance is created, with the browser's user agent and the proxy the browser is set to
// use; closed when the instance is destroyed. Workers only use the handle.
#pragma once

#include <windows.h>
#include <wininet.h>

// The new session, or null when none could be opened. Without a usable browser proxy
// configuration the session takes the system's settings.
HINTERNET NetscapeInternetOpen(const char* userAgent);
