// The install log's text as a string, for tests to compare.
#pragma once

#include <string>

std::string installLogText();
