// CUpdate: the update's steps over its maps, file sets and release.
//
// Progress runs in two stages, both the workflow's: the configuration file is a download
// of its own (its length is the bar's total while it comes in); the file list then starts
// the bar again from 0 against the sum of the declared sizes of its files, lowered by
// every skipped one.
#include "download/update_steps.h"

#include <windows.h>

#include <cstring>

#include "archive/extract_archive.h"
#include "base/scoped_block.h"
#include "download/download_package_list.h"
#include "download/file_set_choice.h"
#include "download/file_set_reader.h"
#include "download/property_file.h"
#include "download/property_text.h"
#include "log/cancel_note.h"
#include "log/install_log.h"
#include "net/file_download.h"

CUpdate::CUpdate(UpdateInputs inputs) : m_inputs(std::move(inputs)) {}

StepOutcome CUpdate::fetchConfiguration() {
  const char* configurationUrl = m_inputs.configurationUrl;
  if (!configurationUrl) {
    logLine("No RedirectURL specified: there is no configuration file, nothing is downloaded.");
    return outcomeOf(kDownloadFilesNoConfiguration);
  }
  m_signedRelease = checksReleases();
  if (!m_signedRelease) logUncheckedReleases();
  char configurationPath[MAX_PATH] = "";
  const StepOutcome fetched = fetchConfigFile(m_inputs.transfer, *m_inputs.configuration, configurationUrl,
                                              m_inputs.workDirectory, configurationPath, sizeof configurationPath);
  if (transferCancelled(m_inputs.transfer)) return outcomeOf(kDownloadCancelled);
  // Without the configuration file there is nothing to update from, and nothing for the
  // updater to install with.
  if (!fetched.ok()) return fetched;
  loadPropertyFile(m_configuration, CP_UTF8, configurationPath);
  const char* serverError = m_configuration.find(kServerErrorKey);
  if (serverError && *serverError)
    return noticeOutcome(kDownloadServerError, OutcomeNotice::kServerError, 0, serverError);
  return StepOutcome();
}

StepOutcome CUpdate::readPackageList() {
  const char* listUrl = m_configuration.find("smartclient.configURL");
  const StepOutcome fetched = downloadPackageList(m_inputs.transfer, listUrl ? listUrl : "", m_listBytes);
  if (transferCancelled(m_inputs.transfer)) return outcomeOf(kDownloadCancelled);
  if (m_signedRelease) {
    const StepOutcome checked =
        checkRelease(m_inputs.transfer, listUrl, fetched.ok() ? &m_listBytes : nullptr, m_inputs.files, m_release);
    if (!checked.ok()) return checked.notice != OutcomeNotice::kNone ? checked : withCode(fetched, checked.code);
  }
  ScopedBlock<char> text(fetched.ok() ? packageListText(m_listBytes) : nullptr);
  std::string().swap(m_listBytes);
  if (!text) return withCode(fetched, kDownloadNoPackageList);
  FileSetReading reading = FileSetReading::kComplete;
  if (*text.get()) {
    parsePropertyText(m_packageList, text.get(), std::strlen(text.get()));
    reading = readFileSets(m_packageList, m_fileSets);
  }
  text.reset();
  if (reading == FileSetReading::kComplete) return StepOutcome();
  logLine("The package list's file sets could not be read: no memory.");
  return outcomeOf(kDownloadFilesIncomplete);
}

int64_t CUpdate::fileListTotal() const {
  int64_t total = 0;
  for (const PageFile& file : m_inputs.files)
    if (file.declaredSize > 0) total += file.declaredSize;
  return total;
}

// The extractor's own result is passed on: kDownloadFilesIncomplete when it failed,
// kDownloadCancelled when the page was left while it unpacked.
StepOutcome CUpdate::unpack(const FileListEntry& entry) const {
  const DownloadResult unpacked = extractArchive(m_inputs.unpacking, m_inputs.workDirectory, entry.filePath);
  if (unpacked == kDownloadOk) return StepOutcome();
  if (unpacked == kDownloadCancelled) {
    noteRunCancelled(m_inputs.transfer.control);
    return outcomeOf(unpacked);
  }
  auto lock = lockInstallLog();
  logText("The package file could not be unpacked, the update stops: ");
  logLine(entry.filePath);
  return outcomeOf(unpacked);
}

// The entry's archive into its directory: held to the manifest in a signed release,
// else to the page's declared size and FileSha256.
StepOutcome CUpdate::fetchEntry(const PageFile& file) const {
  // checkRelease has found every entry in the manifest.
  if (m_signedRelease)
    return downloadSignedArchive(m_inputs.transfer, file.entry,
                                 *findManifestFile(m_release.manifest, file.entry.localName));
  // A negative declared size means the size is not known: the whole body is read.
  const int declared = file.declaredSize;
  return DownloadFile(m_inputs.transfer, file.entry.url, file.entry.directory,
                      declared < 0 ? kUnknownSize : static_cast<uint32_t>(declared), nullptr, file.sha256);
}

EntryOutcome CUpdate::processEntry(int index) {
  EntryOutcome outcome;
  const PageFile& file = m_inputs.files[static_cast<size_t>(index)];
  if (!acceptPageFile(file)) {
    outcome.code = kDownloadFilesIncomplete;
    return outcome;
  }
  const EntryAction action = chooseEntryAction(m_fileSets, file.entry.localName);
  if (action == EntryAction::kSkip) {
    outcome.skipped = true;
    return outcome;
  }
  StepOutcome result = fetchEntry(file);
  if (result.ok() && action == EntryAction::kFetchAndUnpack) result = unpack(file.entry);
  static_cast<StepOutcome&>(outcome) = result;
  return outcome;
}
