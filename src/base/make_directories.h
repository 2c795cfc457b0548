// Creation of every missing folder along a path.
#pragma once

// Creates each missing folder of path, "\" and "/" both separating folders. 1 when the
// path exists or creation was tried; 0 when the path does not exist and holds no
// separator, or does not fit a path buffer (nothing is created then). Folders that cannot
// be created are not reported: the file open that follows fails instead.
int makeDirectories(const char* path);
