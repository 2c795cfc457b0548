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

#include "base/step_outcome.h"
#include "download/page_files.h"

struct Transfer;
struct FileListEntry;

// What a check holds; it owns memory, so it lives outside the update's guard.
struct SignedRelease {
  std::string manifestBytes;  // the manifest as served, until its signature is checked
  ReleaseManifest manifest;
  int signer = 0;  // which of the built-in keys verified it, from 0
};

// Whether this plug-in checks releases: it carries a release key. Without one, an
// update logs so once, with logUncheckedReleases.
bool checksReleases();
void logUncheckedReleases();

// Checks the release whose package list is at listUrl against the page's files; listBytes
// holds that list as served, or is null when it could not be had. kDownloadOk, with
// release.manifest read and the release's line logged ("Release V of D, signed by release
// key K of N."); kDownloadReleaseRefused after the refusal's line (a manifest whose open
// failed carries the answer's status for the user); kDownloadCancelled when the page was
// left; kDownloadFilesIncomplete when an entry of the file list was refused as such.
StepOutcome checkRelease(const Transfer& transfer, const char* listUrl, const std::string* listBytes,
                         const PageFiles& files, SignedRelease& release);

// The steps both a release's install and the installed client's path take.
// Logs "Release refused: " with what, name and after, and gives kDownloadReleaseRefused.
DownloadResult refuseRelease(const char* what, const char* name = "", const char* after = "");
// Logs the release's line, "Release V of D, signed by release key K of N.".
void logRelease(const SignedRelease& release);
// The release's manifest beside the package list at listUrl fetched, read, verified by a
// built-in key, not expired, and naming the package list's bytes (listBytes, or null when
// the list could not be had): kDownloadOk with release.manifest and release.signer read,
// else as checkRelease. Logs nothing on success.
StepOutcome checkSignedManifest(const Transfer& transfer, const char* listUrl, const std::string* listBytes,
                                SignedRelease& release);

// Downloads entry's archive held to item, the manifest's file of its name: at most its
// size is read, and bytes of another digest are deleted and refuse the release.
StepOutcome downloadSignedArchive(const Transfer& transfer, const FileListEntry& entry, const ManifestItem& item);
