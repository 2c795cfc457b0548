// How the install log is sent for an instance: the poster the log calls with the instance
// it knows (log/install_log.h), which builds the upload's value from the record.
#pragma once

#include "log/install_log.h"

// Registered at NP_Initialize. Nothing is sent for no instance (a fault of a job nobody
// waits for any more: its lines go with the next send).
void postInstanceLog(const CLogInstance* instance, CInstallLogPortion& log, LogSendWait wait);
