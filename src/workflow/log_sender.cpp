// postInstanceLog: the record's receiver, browser, session and control as one upload.
#include "workflow/log_sender.h"

#include "base/host_services.h"
#include "plugin/run_context.h"
#include "plugin/run_session.h"
#include "report/build_and_post_log.h"

void postInstanceLog(const CLogInstance* instance, CInstallLogPortion& log, LogSendWait wait) {
  if (!instance) return;
  // Every instance record is a run context, the log's instance its first part.
  const auto& run = static_cast<const CRunContext&>(*instance);
  LogUploadInputs upload;
  upload.url = run.m_page.installLogUrl;
  // The browser's own answer on this thread: the report names what the browser says now.
  upload.userAgent = NPN_UserAgent(run.m_npp);
  upload.session = openedRunSession(run);
  upload.control = run.m_runControl;
  upload.instance = instance;
  buildAndPostLog(upload, log, wait);
}
