// Closing the browser window that holds the plug-in, or loading the page's closing page
// into the plug-in's frame, once the started client is up.
#pragma once

class CMyPlugin;

// Waits up to 20 s for the startup event, then closes the recorded frame (after 2 s more)
// or loads CloseWindowUrl. Nothing without a recorded, existing frame. Runs on the worker
// or on the closing thread, never on the browser's thread. Trace name
// "CMyPlugin::ClosePluginWindow()".
void ClosePluginWindow(CMyPlugin& plugin);

// After the browser has reported the redirect (NPP_URLNotify, browser's thread): starts
// the closing on a thread of its own, so that the browser's thread returns at once.
// Nothing when no window was recorded or a closing already runs.
void closeAfterRedirect(CMyPlugin& plugin);

// True for the first thread that asks: that one runs the instance's closing step.
bool claimClosing(CMyPlugin& plugin);

// Waits on the browser's thread, dispatching its messages, until a closing thread
// started for the instance has ended, and forgets it.
void waitForClosing(CMyPlugin& plugin);
