// The end of a run: start the client, send the browser to the page's URL, or after a
// failure release anyone waiting for the client; and remember the window to close.
#pragma once

class CMyPlugin;

// Runs on the worker once the driver is done. Trace name "CMyPlugin::Finish()".
void Finish(CMyPlugin& plugin);

// With "CloseWindow", records the browser's top-level window for the closing step.
// Trace name "CMyPlugin::PrepareCloseWindow()".
void PrepareCloseWindow(CMyPlugin& plugin);
