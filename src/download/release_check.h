// The check of a signed release, for a plug-in with release keys built in: before
// anything of the release is downloaded, unpacked or run, its manifest is fetched from
// beside the package list, its signature checked against the built-in keys, and the
// package list's bytes and every entry of the page's file list held to it; then each
// archive's download is held to the manifest's size and digest. Every refusal logs one
// line, "Release refused: " and what failed, and gives kDownloadReleaseRefused. Runs on
// the instance's worker.
#pragma once

#include <string>

#include "base/download_result.h"
#include "download/release_manifest.h"

class CRunContext;
struct FileListEntry;

// What a check holds; it owns memory, so it lives outside the update's guard.
struct SignedRelease {
  std::string manifestBytes;  // the manifest as served, until its signature is checked
  ReleaseManifest manifest;
};

// Whether this plug-in checks releases: it carries a release key. Without one, an
// update logs so once, with logUncheckedReleases.
bool checksReleases();
void logUncheckedReleases();

// Checks the release whose package list is at listUrl; listBytes holds that list as
// served, or is null when it could not be had. kDownloadOk, with release.manifest read
// and the release's line logged ("Release V of D, signed by release key K of N.");
// kDownloadReleaseRefused after the refusal's line; kDownloadCancelled when the page was
// left; kDownloadFilesIncomplete when an entry of the file list was refused as such.
DownloadResult checkRelease(CRunContext& plugin, const char* listUrl, const std::string* listBytes,
                            SignedRelease& release);

// Downloads entry's archive held to item, the manifest's file of its name: at most its
// size is read, and bytes of another digest are deleted and refuse the release.
DownloadResult downloadSignedArchive(CRunContext& plugin, const FileListEntry& entry, const ManifestItem& item);
