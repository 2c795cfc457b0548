// The package list of an instance's update, fetched into memory, and its text.
#pragma once

#include <string>

#include "base/step_outcome.h"

struct Transfer;

// The package list at url, its bytes exactly as served, into bytes (a release's manifest
// names their digest): kDownloadOk; when it could not be had, the failure's outcome after
// a log line (an open that failed carries the answer's status for the user), and without
// one when the page was left meanwhile. Runs under the method guard with the trace name
// "CMyPlugin::downloadPackageList()".
StepOutcome downloadPackageList(const Transfer& transfer, const char* url, std::string& bytes);

// The package list's UTF-8 bytes as a NUL-terminated ANSI text in an allocator block, or
// null after a log line that says what failed: no room for an empty text, or the
// conversion (which asks for room too).
char* packageListText(const std::string& bytes);
