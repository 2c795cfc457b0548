// The install log's upload: the machine report, the log's text and a separator line,
// posted to the page's log receiver.
#pragma once

#include "log/install_log.h"
#include "report/log_upload.h"

// Builds the body and posts it, waiting as wait says (see postLogText). Without a
// receiver's URL nothing is built. The portion records how much of the log the body
// carried; the upload settles it.
void buildAndPostLog(const LogUploadInputs& upload, CInstallLogPortion& log, LogSendWait wait);
