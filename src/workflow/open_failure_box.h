// The box that tells the user a URL of the run could not be opened.
#pragma once

class CRunContext;

// Shows message, captioned with the page's ProgramTitle (or the plug-in's own caption),
// over the plug-in's window; the run's OpenFailureNotice.
void showOpenFailureBox(const CRunContext& run, const char* message);
