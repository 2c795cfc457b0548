// The one line that says a run was cancelled because its page was left.
#pragma once

class CRunControl;

// Logs, once per run of control, that the run was cancelled; nothing without a control.
void noteRunCancelled(CRunControl* control);
