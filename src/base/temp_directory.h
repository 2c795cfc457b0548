// Subdirectories of the user's temporary directory, in their short (8.3) form.
#pragma once

#include "base/path_text.h"

// Writes the short form of <temp>\name into output (kPathCapacity characters) when it
// is an existing directory that is not read-only, creating it first when create is set;
// otherwise output is empty. Returns the length written. A temporary directory whose
// path does not fit the buffers counts as unusable and gives the empty text.
int GetTempSubdirectory(const char* name, char* output, bool create);
