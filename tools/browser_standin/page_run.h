// The life of the plug-in's one instance on the page: the browser window made, NPP_New,
// the window handed over as the options ask, the page run with its dialogs watched, and
// NPP_Destroy. Main thread only.
#pragma once

#include <string>

#include "browser_services.h"
#include "options.h"
#include "page_reader.h"
#include "base/npapi.h"

// False when the browser window could not be made; true whatever the plug-in answered.
bool runInstance(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
                 const EmbedTag& embed, const std::string& mimeType);
