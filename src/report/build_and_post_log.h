// The install log's upload: the machine report, the log's text and a separator line,
// posted to the page's log receiver.
#pragma once

class CInstallLogPortion;
class CRunContext;

// Builds the body and posts it for the instance; true when the request went through. The
// portion records how much of the log the body carried; the log itself is not changed.
bool buildAndPostLog(CRunContext* instance, CInstallLogPortion& log);
