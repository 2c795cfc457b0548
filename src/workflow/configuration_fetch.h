// The instance's configuration file as the workflow fetches it: through the instance's
// transfer, with the closing page's empty bar while it comes in, and the box for an open
// that failed. Runs on the worker.
#pragma once

#include "base/step_outcome.h"

class CMyPlugin;

// The instance's configuration file into buffer (see fetchConfigFile), fetched from url on
// the first call into the temporary directory (baseDirectory\temp without one).
StepOutcome fetchInstanceConfigFile(CMyPlugin& plugin, const char* url, const char* baseDirectory, char* buffer,
                                    int size);

// Before the first fetch of the configuration file: a page that loads a closing page
// through the dialog shows the bar empty while the file comes in.
void prepareConfigurationProgress(CMyPlugin& plugin);
