// The progress dialog's protocol, declared once for every thread that talks to it: the
// controls of its templates and the message that asks the dialog to end the page.
#pragma once

#include <windows.h>

// The progress bar, range 0 to 100, set with PBM_SETPOS percentages.
constexpr int kProgressBarId = 201;
// The text above the bar ("Downloading..." or the page's DownloadPrompt).
constexpr int kProgressTextId = 202;
// Posted by the worker: the dialog, on the browser's thread, closes or redirects the page.
constexpr UINT kCloseRequestMessage = WM_USER + 1;
// Posted by the worker: the dialog, on the browser's thread, asks the browser to load the
// page's RedirectURL with notification.
constexpr UINT kRedirectRequestMessage = WM_USER + 2;
