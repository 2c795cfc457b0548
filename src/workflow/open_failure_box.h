// The box that tells the user what the server answered to a request of the run that
// could not be opened.
#pragma once

#include "base/step_outcome.h"

class CRunContext;

// For an outcome that carries a failed open's answer (kServerStatus), and a page that was
// not left: the page's InstallErrorHTTP sentence (or the built-in one) with the answer's
// status, captioned with the page's ProgramTitle (or the plug-in's own caption), over the
// plug-in's window. Nothing for any other outcome.
void showOpenFailureBox(const CRunContext& run, const StepOutcome& outcome);
