// noteRunCancelled: the control's claim decides which caller logs the line.
#include "log/cancel_note.h"

#include "base/run_control.h"
#include "log/install_log.h"

void noteRunCancelled(CRunControl* control) {
  if (control && control->claimNote()) logLine("The run was cancelled: the page was left before it ended.");
}
