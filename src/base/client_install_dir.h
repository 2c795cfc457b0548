// Where the installed conferencing client is: the registry's record of it, or, in a
// plug-in without release keys, one of the places it is installed to by default.
#pragma once

#include <cstddef>

// The relative path of the client's updater below a client directory.
constexpr char kUpdaterRelativePath[] = "\\bin\\updater.exe";

// Writes the installed client's directory into buffer (size bytes) and returns buffer,
// or null (buffer empty) when no installation is found. The registry value is taken as
// it stands; the fixed places count only where their updater exists, and only in a
// plug-in without release keys: they are folders any user of the machine can make, and
// an updater one user put there would run for every user.
char* GetClientInstallDir(char* buffer, size_t size);
