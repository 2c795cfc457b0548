// DownloadFiles: the update's inputs from the record, then its steps with their boxes.
#include "workflow/update_files.h"

#include <algorithm>
#include <memory>
#include <new>

#include "download/update_steps.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_values.h"
#include "workflow/configuration_fetch.h"
#include "workflow/open_failure_box.h"

namespace {

// The update's inputs; null, after its line, without room for the file list.
std::unique_ptr<CUpdate> makeUpdate(CMyPlugin& plugin) {
  try {
    const PageParameters& page = plugin.m_page;
    UpdateInputs inputs{transferOf(plugin), unpackingOf(plugin), page.redirectUrl, plugin.m_workDirectory,
                        &plugin.m_configuration,
                        readPageFiles(page.fileNames, page.fileSizes, page.fileHashes, page.numFiles,
                                      plugin.m_workDirectory)};
    return std::make_unique<CUpdate>(std::move(inputs));
  } catch (const std::bad_alloc&) {
    logLine("The file list could not be allocated.");
    return nullptr;
  }
}

StepOutcome updateFiles(CMyPlugin& plugin, CUpdate& update) {
  prepareConfigurationProgress(plugin);
  const StepOutcome configured = update.fetchConfiguration();
  showOpenFailureBox(plugin, configured);
  if (!configured.ok()) return configured;
  const StepOutcome listed = update.readPackageList();
  showOpenFailureBox(plugin, listed);
  if (runCancelled(plugin)) return outcomeOf(kDownloadCancelled);
  if (!listed.ok() && listed.code != kDownloadNoPackageList) return listed;
  // The file list's own progress: from 0, against the declared sizes of its files.
  plugin.m_progress.restart(update.fileListTotal());
  for (int i = 0; i < update.fileCount(); ++i) {
    // The page may be left while an archive unpacks: the next file is not fetched.
    if (runCancelled(plugin)) return outcomeOf(kDownloadCancelled);
    const EntryOutcome entry = update.processEntry(i);
    showOpenFailureBox(plugin, entry);
    // A file that will not be fetched no longer counts in the total.
    if (entry.skipped) plugin.m_progress.lower(std::max(0, update.inputs().files[static_cast<size_t>(i)].declaredSize));
    if (!entry.ok()) return entry;
  }
  return outcomeOf(listed.code);
}

}  // namespace

StepOutcome DownloadFiles(CMyPlugin& plugin) {
  // The update owns memory, so it lives outside the guard.
  std::unique_ptr<CUpdate> update;
  StepOutcome result;
  const bool completed = runGuarded(&plugin, "CMyPlugin::DownloadFiles()", [&] {
    if (plugin.m_progressDialog) ShowWindow(plugin.m_progressDialog, SW_SHOW);
    plugin.m_progress.forgetShownPercent();
    if (plugin.m_updaterInstalled) return;
    update = makeUpdate(plugin);
    result = update ? updateFiles(plugin, *update) : outcomeOf(kDownloadFilesIncomplete);
  });
  if (!completed) result = outcomeOf(kDownloadFault);
  return result;
}
