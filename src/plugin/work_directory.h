// Each running instance's own work directory under the user's temporary directory. Two
// embeds on one page, or two browser windows, would otherwise download into one folder
// and overwrite each other's packages while the other's updater runs from it.
#pragma once

#include <windows.h>

// The first free folder of "Ostrel_client_install", "Ostrel_client_install_2" ... up to
// kMostWorkDirectories, claimed by a named mutex held in claim until
// releaseWorkDirectory. With every one taken, the first is shared as before and claim is
// null. Writes the short path into output (kPathCapacity characters); empty when the
// temporary directory is unusable.
void claimWorkDirectory(char* output, HANDLE* claim);
void releaseWorkDirectory(HANDLE* claim);

constexpr int kMostWorkDirectories = 16;
