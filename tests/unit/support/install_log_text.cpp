// installLogText: a copy of the process-wide install log.
#include "support/install_log_text.h"

#include "base/host_services.h"
#include "log/install_log.h"

std::string installLogText() {
  char* copy = copyInstallLogText();
  std::string text = copy ? copy : "";
  NPN_MemFree(copy);
  return text;
}
