// The client's updater at the two moments the run calls it: the install run from the
// downloaded tree, and the client start from the installed one. Both run on the worker.
#pragma once

#include "workflow/finish.h"

class CMyPlugin;

// In install mode, after a fresh download: runs the downloaded updater with "-install"
// and the configuration file and waits for it. kFailed when the updater exits with a
// code other than 0, or when the page was left before it started. Trace name
// "CMyPlugin::RunCommands()".
RunOutcome RunCommands(CMyPlugin& plugin);

// Starts the installed client's updater with the configuration file from url and does
// not wait for it; true when it was started. Nothing is started without an installation,
// or when the configuration file could not be had: an updater handed a file that does
// not exist would start the client on nothing. Trace name "CMyPlugin::StartupClient()".
bool StartupClient(CMyPlugin& plugin, const char* url);
