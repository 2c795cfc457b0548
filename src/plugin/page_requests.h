// The two pages the plug-in asks the browser to load at the end of a run. The browser's
// services belong to its thread: the worker hands a request to the instance's progress
// dialog, whose procedure makes it there. The request waits in the record, not in the
// message, so that nothing a message carries is trusted and a dialog that goes first
// loses no request.
#pragma once

class CMyPlugin;

enum class PageRequest { kRedirect, kClosingPage };

// Loads the page's RedirectURL into TargetWindow ("_top" when absent), with notification;
// a request the browser refuses is logged.
void loadRedirectPage(const CMyPlugin& plugin);

// Loads the page's CloseWindowUrl into the plug-in's own frame; nothing when absent.
void loadClosingPage(const CMyPlugin& plugin);

// Any thread: leaves the request for the dialog and wakes it. False when the instance
// has no dialog, or the dialog could not be woken: the caller makes the request itself.
bool postPageRequest(CMyPlugin& plugin, PageRequest request);

// The browser's thread: makes the request if it still waits (once, whoever comes first).
// A page that was left gets neither page; the request is then only logged.
void carryOutPageRequest(CMyPlugin& plugin, PageRequest request);
