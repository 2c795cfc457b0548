// Each running instance's own work directory under the user's temporary directory. Two
// embeds on one page, or two browser windows, would otherwise download into one folder
// and overwrite each other's packages while the other's updater runs from it.
#pragma once

#include <windows.h>

class CMyPlugin;

// The first free folder of "Ostrel_client_install", "Ostrel_client_install_2" ... up to
// kMostWorkDirectories, claimed by a named mutex held in claim until
// releaseWorkDirectory. Writes the short path into output (kPathCapacity characters);
// empty when the temporary directory is unusable. With every one taken, output is empty,
// claim is null and the log says so: an instance without a folder of its own downloads
// nothing, since a shared one would mix two instances' packages.
void claimWorkDirectory(char* output, HANDLE* claim);
void releaseWorkDirectory(HANDLE* claim);

// The instance's folder into m_workDirectory, claimed by m_workDirectoryClaim, unless it
// has one already. The worker's first step: the temporary directory's folders and the
// claim's kernel object cost the page's load tens of milliseconds on a slow machine, and
// only the worker's run uses the folder.
void claimInstanceWorkDirectory(CMyPlugin& plugin);

// As many instances at once as a page or a user could want; the log line names it.
constexpr int kMostWorkDirectories = 64;
