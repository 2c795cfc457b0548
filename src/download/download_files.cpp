// DownloadFiles: the configuration file, the package list, then the page's
// file list one entry after another, each fetched and unpacked or skipped. A plug-in
// with release keys checks the release against its signed manifest between the package
// list and the first file (release_check.h).
//
// Progress runs in two stages: the configuration file is a download of its own (its
// length is the bar's total while it comes in); the file list then starts the bar again
// from 0 against the sum of the declared sizes of its files, lowered by every skipped one.
#include "download/download_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "archive/extract_archive.h"
#include "base/scoped_block.h"
#include "download/CFileSet.h"
#include "download/CPropertyMap.h"
#include "download/config_files.h"
#include "download/download_package_list.h"
#include "download/file_list_entry.h"
#include "download/file_set_choice.h"
#include "download/file_set_reader.h"
#include "download/property_file.h"
#include "download/property_text.h"
#include "download/release_check.h"
#include "log/CTextBuffer.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "net/file_download.h"
#include "plugin/run_context.h"
#include "plugin/run_control.h"

namespace {

// The maps and file sets of one call; they own memory, so they live outside the guard.
struct UpdateState {
  CPropertyMap configuration;
  CPropertyMap packageList;
  CFileSetList fileSets;
  // The package list as served, until it is read.
  std::string listBytes;
  // The release's manifest, when the plug-in checks releases.
  SignedRelease release;
  bool signedRelease = false;
  // The server's own error text, which stops the update; null when it sent none.
  const char* serverError = nullptr;
};

// Fetches the package list, checks the release against it when the plug-in has release
// keys, and reads the list: kDownloadOk, kDownloadNoPackageList when there is none (then,
// without keys, every file is fetched and unpacked), kDownloadFilesIncomplete when its
// file sets could not be read whole, or the release check's refusal.
DownloadResult readPackageList(CRunContext& plugin, UpdateState& state) {
  const char* listUrl = state.configuration.find("smartclient.configURL");
  const bool had = downloadPackageList(plugin, listUrl ? listUrl : "", state.listBytes);
  if (runCancelled(plugin)) return kDownloadCancelled;
  if (state.signedRelease) {
    const DownloadResult checked = checkRelease(plugin, listUrl, had ? &state.listBytes : nullptr, state.release);
    if (checked != kDownloadOk) return checked;
  }
  ScopedBlock<char> text(had ? packageListText(state.listBytes) : nullptr);
  std::string().swap(state.listBytes);
  if (!text) return kDownloadNoPackageList;
  FileSetReading reading = FileSetReading::kComplete;
  if (*text.get()) {
    parsePropertyText(state.packageList, text.get(), std::strlen(text.get()));
    reading = readFileSets(state.packageList, state.fileSets);
  }
  text.reset();
  if (reading == FileSetReading::kComplete) return kDownloadOk;
  logLine("The package list's file sets could not be read: no memory.");
  return kDownloadFilesIncomplete;
}

// The file list's own progress: from 0, against the declared sizes of its files; a size
// not known (negative) counts nothing, as when the parameters were read.
void startFileListProgress(CRunContext& plugin) { plugin.m_progress.restart(plugin.m_page.declaredTotal()); }

// The extractor's own result is passed on: kDownloadFilesIncomplete when it failed,
// kDownloadCancelled when the page was left while it unpacked.
DownloadResult unpack(CRunContext& plugin, const FileListEntry& entry) {
  const DownloadResult unpacked = extractArchive(plugin, plugin.m_workDirectory, entry.filePath);
  if (unpacked == kDownloadOk) return kDownloadOk;
  if (unpacked == kDownloadCancelled) {
    noteRunCancelled(plugin);
    return unpacked;
  }
  auto lock = lockInstallLog();
  logText("The package file could not be unpacked, the update stops: ");
  logLine(entry.filePath);
  return unpacked;
}

// The entry's archive into its directory: held to the manifest in a signed release,
// else to the page's declared size and FileSha256.
DownloadResult fetchEntry(CRunContext& plugin, int index, const FileListEntry& entry, const UpdateState& state) {
  // checkRelease has found every entry in the manifest.
  if (state.signedRelease)
    return downloadSignedArchive(plugin, entry, *findManifestFile(state.release.manifest, entry.localName));
  // A negative declared size means the size is not known: the whole body is read.
  const int declared = plugin.m_page.fileSizes[index];
  return DownloadFile(&plugin, entry.url, entry.directory, declared < 0 ? kUnknownSize : static_cast<uint32_t>(declared),
                      nullptr, plugin.m_page.fileHashes ? plugin.m_page.fileHashes[index] : nullptr);
}

DownloadResult processEntry(CRunContext& plugin, int index, const UpdateState& state) {
  FileListEntry entry;
  if (splitFileListEntry(plugin.m_page.fileNames[index], plugin.m_workDirectory, entry) != FileListEntryCheck::kAccepted)
    return kDownloadFilesIncomplete;
  const EntryAction action = chooseEntryAction(state.fileSets, entry.localName);
  if (action == EntryAction::kSkip) {
    plugin.m_progress.lower(std::max(0, plugin.m_page.fileSizes[index]));
    return kDownloadOk;
  }
  const DownloadResult result = fetchEntry(plugin, index, entry, state);
  if (result != kDownloadOk) return result;
  return action == EntryAction::kFetchAndUnpack ? unpack(plugin, entry) : kDownloadOk;
}

DownloadResult updateFiles(CRunContext& plugin, UpdateState& state) {
  const char* configurationUrl = plugin.m_page.redirectUrl;
  if (!configurationUrl) {
    logLine("No RedirectURL specified: there is no configuration file, nothing is downloaded.");
    return kDownloadFilesNoConfiguration;
  }
  state.signedRelease = checksReleases();
  if (!state.signedRelease) logUncheckedReleases();
  char configurationPath[MAX_PATH] = "";
  const DownloadResult fetched =
      fetchConfigFile(plugin, configurationUrl, plugin.m_workDirectory, configurationPath, sizeof configurationPath);
  if (runCancelled(plugin)) return kDownloadCancelled;
  // Without the configuration file there is nothing to update from, and nothing for the
  // updater to install with.
  if (fetched != kDownloadOk) return fetched;
  loadPropertyFile(state.configuration, CP_UTF8, configurationPath);
  state.serverError = state.configuration.find(kServerErrorKey);
  if (state.serverError && *state.serverError) return kDownloadServerError;
  const DownloadResult listRead = readPackageList(plugin, state);
  if (runCancelled(plugin)) return kDownloadCancelled;
  if (listRead != kDownloadOk && listRead != kDownloadNoPackageList) return listRead;

  startFileListProgress(plugin);
  for (int i = 0; i < plugin.m_page.numFiles; ++i) {
    // The page may be left while an archive unpacks: the next file is not fetched.
    if (runCancelled(plugin)) return kDownloadCancelled;
    const DownloadResult result = processEntry(plugin, i, state);
    if (result != kDownloadOk) return result;
  }
  return listRead;
}

}  // namespace

DownloadResult DownloadFiles(CRunContext& plugin, CTextBuffer* serverError) {
  UpdateState state;
  DownloadResult result = kDownloadOk;
  const bool completed = runGuarded(&plugin, "CMyPlugin::DownloadFiles()", [&] {
    if (plugin.m_progressDialog) ShowWindow(plugin.m_progressDialog, SW_SHOW);
    plugin.m_progress.forgetShownPercent();
    if (plugin.m_updaterInstalled) return;
    result = updateFiles(plugin, state);
  });
  if (!completed) result = kDownloadFault;
  if (result == kDownloadServerError && serverError) serverError->append(state.serverError);
  return result;
}
