// The record of the sample updater and client: when the environment variable
// OSTREL_SAMPLE_RECORD names a file, each program appends one line per event to it
// ("updater: ..." or "client: ..."), so that tests and the demo can follow programs that
// have no console of their own. Without the variable nothing is written.
#pragma once

#include <string>

// The value of an environment variable, or the empty text when it is not set.
std::string environmentText(const char* name);

// Appends line and a line feed to the record file, when there is one. The file is opened
// and closed for every line because the updater and the client may write at once.
void recordLine(const std::string& line);
