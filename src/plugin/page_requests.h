// The two pages the plug-in asks the browser to load at the end of a run. Meant for the
// browser's thread; the worker reaches them through the progress dialog when there is one.
#pragma once

class CMyPlugin;

// Loads the page's RedirectURL into TargetWindow ("_top" when absent), with notification.
void loadRedirectPage(const CMyPlugin& plugin);

// Loads the page's CloseWindowUrl into the plug-in's own frame; nothing when absent.
void loadClosingPage(const CMyPlugin& plugin);
