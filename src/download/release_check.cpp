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
#include "net/transfer.h"

namespace {

constexpr char kNoSha256[] = "this system cannot check a signature (it has no SHA-256).";
// The longest manifest URL asked for: the longest URL WinInet takes.
constexpr size_t kManifestUrlCapacity = INTERNET_MAX_URL_LENGTH + 1;


// The manifest beside the package list into bytes. A manifest whose open failed refuses
// the release with what the server answered, for the user.
StepOutcome fetchManifest(const Transfer& transfer, const char* listUrl, std::string& bytes) {
  char url[kManifestUrlCapacity];
  MemoryDownload fetched;
  fetched.end = MemoryDownloadEnd::kNotOpened;
  fetched.code = kDownloadNoUrl;
  if (manifestUrlFor(listUrl ? listUrl : "", url, sizeof url))
    fetched = downloadIntoMemory(transfer, url, kMostManifestBytes, "CMyPlugin::downloadReleaseManifest()", bytes);
  if (fetched.end == MemoryDownloadEnd::kWhole) return StepOutcome();
  if (fetched.end == MemoryDownloadEnd::kCancelled || transferCancelled(transfer)) return outcomeOf(kDownloadCancelled);
  // A URL too long to ask for is named as the package list's with the manifest's ending.
  const DownloadResult refused = url[0] ? refuseRelease("the manifest could not be had: ", url)
                                        : refuseRelease("the manifest could not be had: ", listUrl ? listUrl : "",
                                                        ".manifest");
  return withCode(fetched, refused);
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
DownloadResult checkFileList(const PageFiles& files, const ReleaseManifest& manifest) {
  for (const PageFile& file : files) {
    if (!acceptPageFile(file)) return kDownloadFilesIncomplete;
    const ManifestItem* item = findManifestFile(manifest, file.entry.localName);
    if (!item) return refuseRelease("", file.entry.localName, " is not named in the manifest.");
    if (file.sha256 && *file.sha256 && !sameSha256Hex(file.sha256, item->sha256))
      return refuseRelease("the page's FileSha256 for ", file.entry.localName, " differs from the manifest.");
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

StepOutcome checkSignedManifest(const Transfer& transfer, const char* listUrl, const std::string* listBytes,
                                SignedRelease& release) {
  if (!listBytes) return outcomeOf(refuseRelease("there is no package list to check against a signed manifest."));
  const StepOutcome fetched = fetchManifest(transfer, listUrl, release.manifestBytes);
  if (!fetched.ok()) return fetched;
  ReleaseManifest& manifest = release.manifest;
  char reason[kManifestReasonCapacity];
  if (!readReleaseManifest(release.manifestBytes.data(), release.manifestBytes.size(), manifest, reason))
    return outcomeOf(refuseRelease("the manifest cannot be read: ", reason));
  const SignatureVerdict verdict =
      checkReleaseSignature(reinterpret_cast<const unsigned char*>(release.manifestBytes.data()),
                            manifest.signedLength, manifest.signature, manifest.signatureLength, kReleaseKeys,
                            kReleaseKeyCount);
  std::string().swap(release.manifestBytes);
  if (verdict.check == SignatureCheck::kCannotCheck) return outcomeOf(refuseRelease(kNoSha256));
  if (verdict.check != SignatureCheck::kVerified)
    return outcomeOf(refuseRelease("the manifest is not signed by a key this plug-in trusts."));
  release.signer = verdict.signer;
  // Only a signed expiry counts: it is read after the signature is known to cover it.
  char today[kManifestDateCapacity];
  todayInUtc(today);
  if (manifestExpiredBy(manifest, today))
    return outcomeOf(refuseRelease("the manifest expired on ", manifest.expires, "."));
  const BytesCheck list = compareWith(*listBytes, manifest.list);
  if (list == BytesCheck::kCannotCheck) return outcomeOf(refuseRelease(kNoSha256));
  if (list == BytesCheck::kDiffer)
    return outcomeOf(refuseRelease("the package list differs from the one the manifest names."));
  return StepOutcome();
}

bool checksReleases() { return kReleaseKeyCount > 0; }

void logUncheckedReleases() {
  logLine("Releases are not checked for a signature: this plug-in carries no release key.");
}

StepOutcome checkRelease(const Transfer& transfer, const char* listUrl, const std::string* listBytes,
                         const PageFiles& files, SignedRelease& release) {
  const StepOutcome checked = checkSignedManifest(transfer, listUrl, listBytes, release);
  if (!checked.ok()) return checked;
  const DownloadResult named = checkFileList(files, release.manifest);
  if (named != kDownloadOk) return outcomeOf(named);
  logRelease(release);
  return StepOutcome();
}

StepOutcome downloadSignedArchive(const Transfer& transfer, const FileListEntry& entry, const ManifestItem& item) {
  // The manifest's size as the download's own: no more than the signed bytes are read.
  const StepOutcome result = DownloadFile(transfer, entry.url, entry.directory, item.size, nullptr, item.sha256);
  if (result.code != kDownloadHashMismatch) return result;
  return outcomeOf(refuseRelease("", entry.localName, " differs from the one the manifest names."));
}
