// transferOf and unpackingOf.
#include "plugin/run_values.h"

#include "base/host_services.h"
#include "plugin/run_context.h"
#include "plugin/run_session.h"

Transfer transferOf(CRunContext& run) {
  Transfer transfer;
  transfer.session = openedRunSession(run);
  transfer.control = run.m_runControl;
  transfer.instance = &run;
  transfer.limits = run.m_limits;
  // The browser's answer as it stands, as the downloads have always asked it.
  transfer.userAgent = NPN_UserAgent(run.m_npp);
  transfer.signOnCookie = run.m_page.siteMinderHeader;
  transfer.dialogOwner = pluginOwnerWindow(&run);
  transfer.progress = &run.m_progress;
  return transfer;
}

Unpacking unpackingOf(const CRunContext& run) {
  Unpacking unpacking;
  unpacking.limits = run.m_limits;
  unpacking.control = run.m_runControl;
  return unpacking;
}
