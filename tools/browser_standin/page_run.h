// The life of the plug-in's instances on the page, one for each embed of its type: the
// browser window made with a plug-in window for each, NPP_New for each in page order, the
// windows handed over in page order as the options ask, the page run with the dialogs
// watched, and NPP_Destroy for each in page order. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "box_watcher.h"
#include "browser_services.h"
#include "options.h"
#include "page_reader.h"
#include "base/npapi.h"

// False when the browser window could not be made; true whatever the plug-in answered.
bool runInstances(const Options& options, BrowserServices& browser, const NPPluginFuncs& plugin,
                  const std::vector<EmbedTag>& embeds, const std::string& mimeType, const BoxWatcher& boxes);
