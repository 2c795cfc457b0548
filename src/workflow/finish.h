// The end of a run: start the client, send the browser to the page's URL, or after a
// failure release anyone waiting for the client; and remember the window to close.
#pragma once

class CMyPlugin;

// How the run went, as the driver hands it to Finish.
enum class RunOutcome { kSucceeded, kFailed };

// Runs on the worker once the driver is done. Trace name "CMyPlugin::Finish()".
void Finish(CMyPlugin& plugin, RunOutcome outcome);

// With "CloseWindow", records the browser's top-level window for the closing step.
// Trace name "CMyPlugin::PrepareCloseWindow()".
void PrepareCloseWindow(CMyPlugin& plugin);
