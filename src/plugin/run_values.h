// The small values the run's steps take, built from the instance's record: the steps
// below never read the record itself. Any thread of the instance, once the session is
// opened (or to run without one).
#pragma once

#include "archive/unpacking.h"
#include "net/transfer.h"

class CRunContext;

// The instance's requests: its session, control, limits, browser, cookie, dialog owner
// and progress.
Transfer transferOf(CRunContext& run);

// The instance's unpacking: its limits and control.
Unpacking unpackingOf(const CRunContext& run);
