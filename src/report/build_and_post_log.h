// The install log's upload: the machine report, the log's text and a separator line,
// posted to the page's log receiver.
#pragma once

#include "log/install_log.h"

class CRunContext;

// Builds the body and posts it for the instance, waiting as wait says (see postLogText).
// The portion records how much of the log the body carried; the upload settles it.
void buildAndPostLog(CRunContext* instance, CInstallLogPortion& log, LogSendWait wait);
