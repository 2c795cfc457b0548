// Profile-folder candidates and the walk of a profiles tree.
#include "net/profile_prefs.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/path_text.h"
#include "base/scoped_handle.h"
#include "base/temp_directory.h"
#include "log/install_log.h"
#include "net/prefs_reader.h"
#include "net/prefs_text.h"

namespace {

struct ProfilesCandidate {
  const char* variable;
  const char* suffix;
};

const ProfilesCandidate kMozillaCandidates[] = {
    {"USERPROFILE", "Application Data\\Mozilla\\Profiles"},
    {"APPDATA", "Mozilla\\Profiles"},
    {"WINDIR", "Application Data\\Mozilla\\Profiles"},
};

const ProfilesCandidate kFirefoxCandidates[] = {
    {"USERPROFILE", "Application Data\\Mozilla\\Firefox\\Profiles"},
    {"APPDATA", "Mozilla\\Firefox\\Profiles"},
    {"WINDIR", "Application Data\\Mozilla\\Firefox\\Profiles"},
};

// Of two prefs.js files the one read longest ago is taken.
void considerCandidate(const char* candidate, char* out) {
  if (GetFileAttributesA(candidate) == INVALID_FILE_ATTRIBUTES) return;
  if (out[0] == '\0') {
    copyCut(out, kPathCapacity, candidate);
    return;
  }
  ULONGLONG candidateTime = 0;
  ULONGLONG chosenTime = 0;
  if (readLastAccessTime(candidate, &candidateTime) && readLastAccessTime(out, &chosenTime) && candidateTime < chosenTime)
    copyCut(out, kPathCapacity, candidate);
}

void walkProfileTree(const char* fileName, const char* directory, char* out, int depth) {
  char path[kPathCapacity];
  if (depth < kMaxProfileTreeDepth && joinPath(path, kPathCapacity, directory, "*.*")) {
    WIN32_FIND_DATAA entry;
    const ScopedFindHandle search(FindFirstFileA(path, &entry));
    if (search) {
      do {
        const char* name = entry.cAlternateFileName[0] ? entry.cAlternateFileName : entry.cFileName;
        if (isPlainSubdirectory(entry) && joinPath(path, kPathCapacity, directory, name))
          walkProfileTree(fileName, path, out, depth + 1);
      } while (FindNextFileA(search.get(), &entry));
    }
  }
  if (joinPath(path, kPathCapacity, directory, fileName)) considerCandidate(path, out);
}

}  // namespace

bool findProfilesDirectory(const char* variableName, const char* suffix, char* out, size_t outSize) {
  if (GetEnvironmentVariableA(variableName, nullptr, 0) == 0) return false;
  char path[kPathCapacity] = "";
  const DWORD length = GetEnvironmentVariableA(variableName, path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;
  if (path[length - 1] != '\\' && !appendWhole(path, sizeof path, "\\")) return false;
  if (!appendWhole(path, sizeof path, suffix)) return false;
  std::memset(out, 0, outSize);
  const DWORD shortLength = GetShortPathNameA(path, out, static_cast<DWORD>(outSize));
  if (shortLength == 0 || shortLength >= outSize) {
    out[0] = '\0';
    return false;
  }
  return GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES;
}

void findProfilePrefsFile(const char* fileName, const char* directory, char* out) {
  walkProfileTree(fileName, directory, out, 0);
}

void getNSUserPrefsPath(ProfileFamily family, char* out, size_t outSize) {
  std::memset(out, 0, outSize);
  const ProfilesCandidate* candidates = family == ProfileFamily::Firefox ? kFirefoxCandidates : kMozillaCandidates;
  char profiles[kPathCapacity] = "";
  for (int i = 0; i < 3; ++i) {
    if (findProfilesDirectory(candidates[i].variable, candidates[i].suffix, profiles, sizeof profiles)) {
      char chosen[kPathCapacity] = "";
      findProfilePrefsFile("prefs.js", profiles, chosen);
      copyCut(out, outSize, chosen);
      return;
    }
  }
  logLine(family == ProfileFamily::Firefox ? "getNSUserPrefsPath() could not find the Firefox installation!"
                                           : "getNSUserPrefsPath() could not find the Netscape installation!");
}
