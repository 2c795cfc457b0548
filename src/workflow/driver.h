// The workflow driver: refuses Windows 9x, then either hands the configuration to the
// installed client or downloads, installs and starts a new one. Runs on the worker.
#pragma once

#include "base/download_result.h"

class CMyPlugin;

// The whole update of one instance. Trace name "CMyPlugin::runOstrelClient()".
void runOstrelClient(CMyPlugin& plugin);

// 1 when an installed client's updater exists, else 0 (also after a fault). Trace name
// "CMyPlugin::IsClientUpdaterInstalled()".
int IsClientUpdaterInstalled(CMyPlugin& plugin);

// Logs and shows the page's text for a failed download (the built-in permission text when
// the page gives none), whatever the failure. Trace name "CMyPlugin::ErrorMessageBox()".
void ErrorMessageBox(CMyPlugin& plugin);
