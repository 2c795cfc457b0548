// Creation of every missing folder along a path.
#pragma once

#include "base/download_result.h"

// Creates each missing folder of path, "\" and "/" both separating folders. kDownloadOk
// when the path exists or creation was tried; kDownloadNoDirectory when the path does not
// exist and holds no separator, or does not fit a path buffer (nothing is created then).
// Folders that cannot be created are not reported: the file open that follows fails
// instead.
DownloadResult makeDirectories(const char* path);
