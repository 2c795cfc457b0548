// Finding the current profile's prefs.js of a Mozilla-family browser (Mozilla and
// Netscape 6 and later, or Firefox). Used on the browser's thread (session opening) and
// on workers (every request header); keeps no state between calls.
#pragma once

#include <cstddef>

enum class ProfileFamily { Mozilla, Firefox };

// Writes the path of the family's prefs.js into out (outSize bytes, 260 expected), or
// leaves out empty after logging that the profiles folder was not found.
void getNSUserPrefsPath(ProfileFamily family, char* out, size_t outSize);

// True when the folder named by the environment variable plus suffix exists; out then
// holds its short form. Values that do not fit a path count as missing.
bool findProfilesDirectory(const char* variableName, const char* suffix, char* out, size_t outSize);

// Walks the tree below directory depth first and keeps in out (260 bytes, empty or an
// earlier choice on entry) the fileName with the earliest last-access time. Folders
// deeper than kMaxProfileTreeDepth, and paths that would not fit, are not entered.
void findProfilePrefsFile(const char* fileName, const char* directory, char* out);

constexpr int kMaxProfileTreeDepth = 16;
