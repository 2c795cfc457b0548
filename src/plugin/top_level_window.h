// The browser window that holds the plug-in.
#pragma once

#include <windows.h>

#include "base/npapi.h"

// The top-level ancestor of the plug-in window: the browser's frame. Null when the
// record, its window or the window's parent is missing.
HWND FindTopLevelWindow(const NPWindow* window);
