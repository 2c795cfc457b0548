// checkRelease, checkSignedManifest and downloadSignedArchive: a signed release's steps,
// in the order they run, each ending the check with its own refusal line.
#include "download/release_check.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include "base/release_keys.h"
#include "base/release_signature.h"
#include "base/sha256_digest.h"
#include "download/file_list_entry.h"
#include "log/install_log.h"
#include "net/file_download.h"
#include "net/memory_download.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"

namespace {

constexpr char kNoSha256[] = "this system cannot check a signature (it has no SHA-256).";
// The longest manifest URL asked for: the longest URL WinInet takes.
constexpr size_t kManifestUrlCapacity = INTERNET_MAX_URL_LENGTH + 1;


// The manifest beside the package list into bytes.
DownloadResult fetchManifest(CRunContext& plugin, const char* listUrl, std::string& bytes) {
  char url[kManifestUrlCapacity];
  MemoryDownloadEnd end = MemoryDownloadEnd::kNotOpened;
  if (manifestUrlFor(listUrl ? listUrl : "", url, sizeof url))
    end = downloadIntoMemory(plugin, url, kMostManifestBytes, "CMyPlugin::downloadReleaseManifest()", bytes);
  if (end == MemoryDownloadEnd::kWhole) return kDownloadOk;
  if (end == MemoryDownloadEnd::kCancelled || runCancelled(plugin)) return kDownloadCancelled;
  // A URL too long to ask for is named as the package list's with the manifest's ending.
  return url[0] ? refuseRelease("the manifest could not be had: ", url)
                : refuseRelease("the manifest could not be had: ", listUrl ? listUrl : "", ".manifest");
}

enum class BytesCheck { kSame, kDiffer, kCannotCheck };

BytesCheck compareWith(const std::string& bytes, const ManifestItem& item) {
  if (bytes.size() != item.size) return BytesCheck::kDiffer;
  CSha256 digest;
  if (!digest.usable()) return BytesCheck::kCannotCheck;
  digest.add(bytes.data(), static_cast<unsigned long>(bytes.size()));
  char hex[kSha256HexSize];
  if (!digest.finish(hex)) return BytesCheck::kCannotCheck;
  return sameSha256Hex(hex, item.sha256) ? BytesCheck::kSame : BytesCheck::kDiffer;
}

// Every entry of the page's file list is named in the manifest, and a FileSha256 the page
// gives for it is the manifest's.
DownloadResult checkFileList(const CRunContext& plugin, const ReleaseManifest& manifest) {
  for (int i = 0; i < plugin.m_page.numFiles; ++i) {
    FileListEntry entry;
    if (splitFileListEntry(plugin.m_page.fileNames[i], plugin.m_workDirectory, entry) != FileListEntryCheck::kAccepted)
      return kDownloadFilesIncomplete;
    const ManifestItem* item = findManifestFile(manifest, entry.localName);
    if (!item) return refuseRelease("", entry.localName, " is not named in the manifest.");
    const char* pageDigest = plugin.m_page.fileHashes ? plugin.m_page.fileHashes[i] : nullptr;
    if (pageDigest && *pageDigest && !sameSha256Hex(pageDigest, item->sha256))
      return refuseRelease("the page's FileSha256 for ", entry.localName, " differs from the manifest.");
  }
  return kDownloadOk;
}

// Today by the system's clock in UTC, YYYY-MM-DD: a manifest's expiry is a UTC date.
void todayInUtc(char (&out)[kManifestDateCapacity]) {
  SYSTEMTIME now;
  GetSystemTime(&now);
  std::snprintf(out, sizeof out, "%04u-%02u-%02u", static_cast<unsigned>(now.wYear % 10000),
                static_cast<unsigned>(now.wMonth % 100), static_cast<unsigned>(now.wDay % 100));
}

}  // namespace

DownloadResult refuseRelease(const char* what, const char* name, const char* after) {
  auto lock = lockInstallLog();
  logText("Release refused: ");
  logText(what);
  logText(name);
  logLine(after);
  return kDownloadReleaseRefused;
}

void logRelease(const SignedRelease& release) {
  char line[2 * kManifestTextCapacity + 64];
  std::snprintf(line, sizeof line, "Release %s of %s, signed by release key %d of %d.", release.manifest.version,
                release.manifest.date, release.signer + 1, kReleaseKeyCount);
  logLine(line);
}

DownloadResult checkSignedManifest(CRunContext& plugin, const char* listUrl, const std::string* listBytes,
                                   SignedRelease& release) {
  if (!listBytes) return refuseRelease("there is no package list to check against a signed manifest.");
  const DownloadResult fetched = fetchManifest(plugin, listUrl, release.manifestBytes);
  if (fetched != kDownloadOk) return fetched;
  ReleaseManifest& manifest = release.manifest;
  char reason[kManifestReasonCapacity];
  if (!readReleaseManifest(release.manifestBytes.data(), release.manifestBytes.size(), manifest, reason))
    return refuseRelease("the manifest cannot be read: ", reason);
  const SignatureVerdict verdict =
      checkReleaseSignature(reinterpret_cast<const unsigned char*>(release.manifestBytes.data()),
                            manifest.signedLength, manifest.signature, manifest.signatureLength, kReleaseKeys,
                            kReleaseKeyCount);
  std::string().swap(release.manifestBytes);
  if (verdict.check == SignatureCheck::kCannotCheck) return refuseRelease(kNoSha256);
  if (verdict.check != SignatureCheck::kVerified)
    return refuseRelease("the manifest is not signed by a key this plug-in trusts.");
  release.signer = verdict.signer;
  // Only a signed expiry counts: it is read after the signature is known to cover it.
  char today[kManifestDateCapacity];
  todayInUtc(today);
  if (manifestExpiredBy(manifest, today)) return refuseRelease("the manifest expired on ", manifest.expires, ".");
  const BytesCheck list = compareWith(*listBytes, manifest.list);
  if (list == BytesCheck::kCannotCheck) return refuseRelease(kNoSha256);
  if (list == BytesCheck::kDiffer) return refuseRelease("the package list differs from the one the manifest names.");
  return kDownloadOk;
}

bool checksReleases() { return kReleaseKeyCount > 0; }

void logUncheckedReleases() {
  logLine("Releases are not checked for a signature: this plug-in carries no release key.");
}

DownloadResult checkRelease(CRunContext& plugin, const char* listUrl, const std::string* listBytes,
                            SignedRelease& release) {
  const DownloadResult checked = checkSignedManifest(plugin, listUrl, listBytes, release);
  if (checked != kDownloadOk) return checked;
  const ReleaseManifest& manifest = release.manifest;
  const DownloadResult named = checkFileList(plugin, manifest);
  if (named != kDownloadOk) return named;
  logRelease(release);
  return kDownloadOk;
}

DownloadResult downloadSignedArchive(CRunContext& plugin, const FileListEntry& entry, const ManifestItem& item) {
  // The manifest's size as the download's own: no more than the signed bytes are read.
  const DownloadResult result = DownloadFile(&plugin, entry.url, entry.directory, item.size, nullptr, item.sha256);
  if (result != kDownloadHashMismatch) return result;
  return refuseRelease("", entry.localName, " differs from the one the manifest names.");
}
