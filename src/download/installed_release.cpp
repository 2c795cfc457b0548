// checkInstalledRelease: the configuration file's package list and manifest, the
// signature, then the release's version against the installed updater's.
#include "download/installed_release.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/bounded_text.h"
#include "base/client_install_dir.h"
#include "base/path_text.h"
#include "download/CFileVersion.h"
#include "download/CPropertyMap.h"
#include "download/download_package_list.h"
#include "download/property_file.h"
#include "download/release_check.h"
#include "log/method_guard.h"
#include "net/transfer.h"

namespace {

// A release's version as a file version: one to four dot-separated decimal numbers, each
// a 16-bit part; missing parts are 0 ("4.2" is 4.2.0.0). False for any other text.
bool readReleaseVersion(const char* text, uint16_t (&parts)[4]) {
  int count = 0;
  for (const char* at = text;; ++at) {
    uint32_t value = 0;
    const char* digits = at;
    while (*at >= '0' && *at <= '9' && at - digits < 5) value = value * 10 + static_cast<uint32_t>(*at++ - '0');
    if (at == digits || value > 0xFFFF || count == 4) return false;
    parts[count++] = static_cast<uint16_t>(value);
    if (*at == '\0') break;
    if (*at != '.') return false;
  }
  for (int i = count; i < 4; ++i) parts[i] = 0;
  return true;
}

// Refuses a release older than the installed updater, when both versions can be read.
DownloadResult checkNotOlder(const ReleaseManifest& manifest, const char* installDirectory) {
  uint16_t release[4];
  char updater[kPathCapacity];
  CFileVersion installed;
  if (!readReleaseVersion(manifest.version, release) || !copyWhole(updater, sizeof updater, installDirectory) ||
      !appendWhole(updater, sizeof updater, kUpdaterRelativePath) || !installed.readFileVersion(updater))
    return kDownloadOk;
  const uint16_t have[4] = {installed.major, installed.minor, installed.build, installed.revision};
  if (!std::lexicographical_compare(release, release + 4, have, have + 4)) return kDownloadOk;
  char installedText[32];
  std::snprintf(installedText, sizeof installedText, "%u.%u.%u.%u", have[0], have[1], have[2], have[3]);
  char what[kManifestTextCapacity + 64];
  std::snprintf(what, sizeof what, "version %s is older than the installed version %s.", manifest.version,
                installedText);
  return refuseRelease(what);
}

// The installed path's own state, which owns memory.
struct InstalledReleaseState {
  CPropertyMap configuration;
  std::string listBytes;
  SignedRelease release;
};

StepOutcome checkInstalledReleaseIn(const Transfer& transfer, const char* configurationPath,
                                    const char* installDirectory, InstalledReleaseState& state) {
  loadPropertyFile(state.configuration, CP_UTF8, configurationPath);
  const char* listUrl = state.configuration.find("smartclient.configURL");
  const StepOutcome list =
      listUrl ? downloadPackageList(transfer, listUrl, state.listBytes) : outcomeOf(kDownloadNoPackageList);
  if (transferCancelled(transfer)) return outcomeOf(kDownloadCancelled);
  const StepOutcome checked =
      checkSignedManifest(transfer, listUrl, list.ok() ? &state.listBytes : nullptr, state.release);
  // A package list the server did not give refuses the release with what it answered.
  if (!checked.ok()) return checked.notice != OutcomeNotice::kNone ? checked : withCode(list, checked.code);
  const DownloadResult newer = checkNotOlder(state.release.manifest, installDirectory);
  if (newer != kDownloadOk) return outcomeOf(newer);
  logRelease(state.release);
  return StepOutcome();
}

}  // namespace

StepOutcome checkInstalledRelease(const Transfer& transfer, const char* configurationPath,
                                  const char* installDirectory) {
  // What owns memory lives outside the guard, whose recovery skips destructors.
  InstalledReleaseState state;
  StepOutcome result = outcomeOf(kDownloadFault);
  runGuarded(transfer.instance, "CMyPlugin::checkInstalledRelease()", [&] {
    result = checkInstalledReleaseIn(transfer, configurationPath, installDirectory, state);
  });
  return result;
}
