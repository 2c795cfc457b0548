// Emptying a folder of everything below it, for a run that must not build on what an
// earlier run left there.
#pragma once

// Deletes every file and folder below folder, leaving folder itself. Read-only files go
// too; a link to a folder elsewhere is removed as a link, never followed. True when
// nothing is left below folder; false when something could not be removed or a path
// would not fit a path buffer (what could be removed is gone).
bool emptyFolder(const char* folder);
