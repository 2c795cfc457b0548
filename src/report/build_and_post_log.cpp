// Building the upload body around the log's text.
#include "report/build_and_post_log.h"

#include "base/scoped_block.h"
#include "log/CTextBuffer.h"
#include "log/install_log.h"
#include "log/title_line.h"
#include "report/environment_report.h"
#include "report/log_post.h"

void buildAndPostLog(const LogUploadInputs& upload, CInstallLogPortion& log, LogSendWait wait) {
  // Without a receiver the report is not even made: its own lookups would only add lines
  // to a log that goes nowhere.
  if (!upload.url || !*upload.url) return;
  CTextBuffer body;
  appendEnvironmentReport(body, upload.userAgent);
  // Taken after the report, so that what the report's own calls logged goes with it.
  log.appendTo(body);
  body.append("\r\n");
  appendSeparatorLine(body);
  const ScopedBlock<char> text(body.copyText());
  if (text) postLogText(upload, text.get(), log, wait);
}
