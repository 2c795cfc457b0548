// runOstrelClient, IsClientUpdaterInstalled and ErrorMessageBox.
#include "workflow/driver.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/client_install_dir.h"
#include "base/folder_emptying.h"
#include "base/path_text.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "workflow/finish.h"
#include "workflow/message_boxes.h"
#include "workflow/update_files.h"
#include "workflow/updater_run.h"

namespace {

constexpr char kPermissionText[] =
    "You do not have permission to install the Ostrel client.  Please contact your system "
    "administrator, or log out of Windows and log back in as a more privileged user.";

bool onWindows9x() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The client is installed: no package is fetched; the configuration goes to the client
// (or the browser goes to the page's URL) as the page asks.
void useInstalledClient(CMyPlugin& plugin) {
  if (!plugin.m_page.redirectUrl) {
    // A page that has been left shows nothing.
    if (!runCancelled(plugin))
      MessageBoxA(pluginOwnerWindow(&plugin), "No RedirectURL specified", kPluginCaption, kWarningBoxStyle);
    return;
  }
  plugin.m_progress.reset();
  // The dialog is only of use when a closing page will be loaded through it.
  if (const HWND dialog = plugin.m_progressDialog)
    ShowWindow(dialog, plugin.m_page.closeWindowUrl ? SW_SHOW : SW_HIDE);
  Finish(plugin, RunOutcome::kSucceeded);
}

// Empties the instance's work directory of everything below it. Only a directory this
// instance claimed is emptied; a shared one may be another instance's. True when nothing
// of it is left (or there is nothing to empty).
bool emptyClaimedWorkDirectory(CMyPlugin& plugin) {
  return !plugin.m_workDirectoryClaim || !plugin.m_workDirectory || emptyFolder(plugin.m_workDirectory);
}

// The update, then the updater's install run from what it brought. Only an update that
// brought the whole tree (kDownloadOk, or every file for want of a package list) hands
// it to the updater: after any other result the work directory may hold an earlier
// run's updater, which must not run.
// Whether the update has a folder of its own to work in, emptied of what an earlier run
// left there: a file of an earlier release would be installed again by an updater that
// copies its tree, and a page that names only part of a release would run an earlier
// run's updater. Without one (every folder taken, no temporary directory, a folder that
// is a link or cannot be emptied) nothing is fetched: the run fails as for a folder that
// cannot be used.
bool hasEmptyWorkDirectory(CMyPlugin& plugin) {
  if (!plugin.m_workDirectory || !plugin.m_workDirectory[0]) return false;
  if (emptyClaimedWorkDirectory(plugin)) return true;
  logLine("The work directory could not be emptied of an earlier run's files: nothing is fetched.");
  return false;
}

RunOutcome updateAndInstall(CMyPlugin& plugin) {
  const StepOutcome updated = hasEmptyWorkDirectory(plugin) ? DownloadFiles(plugin) : outcomeOf(kDownloadNoDirectory);
  const DownloadResult result = updated.code;
  if (result == kDownloadServerError) {
    // No owner: the box stands on its own, in front, until the user reads it.
    MessageBoxA(nullptr, updated.text, plugin.m_page.programTitle, kServerErrorBoxStyle);
    return RunOutcome::kFailed;
  }
  // Nothing of a refused release stays behind, for this run or any later one to use.
  if (result == kDownloadReleaseRefused && !emptyClaimedWorkDirectory(plugin))
    logLine("The work directory could not be emptied of the refused release's files.");
  if (result == kDownloadOk) return RunCommands(plugin);
  if (result == kDownloadNoPackageList) {
    RunCommands(plugin);
    return RunOutcome::kFailed;
  }
  // A page that was left shows nothing.
  if (result != kDownloadCancelled) {
    {
      const auto held = lockInstallLog();
      logText("Unable to download client files.  rc: ");
      logSignedLine(result);
    }
    if (!runCancelled(plugin)) ErrorMessageBox(plugin);
  }
  return RunOutcome::kFailed;
}

}  // namespace

void runOstrelClient(CMyPlugin& plugin) {
  runGuarded(&plugin, "CMyPlugin::runOstrelClient()", [&] {
    if (onWindows9x()) {
      MessageBoxA(pluginOwnerWindow(&plugin), plugin.m_page.unsupportedPlatformError,
                  plugin.m_page.programTitle, kPageTextBoxStyle);
      Finish(plugin, RunOutcome::kFailed);
      return;
    }
    plugin.m_updaterInstalled = IsClientUpdaterInstalled(plugin);
    if (plugin.m_updaterInstalled)
      useInstalledClient(plugin);
    else
      Finish(plugin, updateAndInstall(plugin));
  });
}

int IsClientUpdaterInstalled(CMyPlugin& plugin) {
  int installed = 0;
  runGuarded(&plugin, "CMyPlugin::IsClientUpdaterInstalled()", [&] {
    char updater[kPathCapacity] = {};
    if (!GetClientInstallDir(updater, sizeof updater) ||
        !appendWhole(updater, sizeof updater, kUpdaterRelativePath))
      return;
    installed = GetFileAttributesA(updater) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
  });
  return installed;
}

void ErrorMessageBox(CMyPlugin& plugin) {
  runGuarded(&plugin, "CMyPlugin::ErrorMessageBox()", [&] {
    const char* pageText = plugin.m_page.changeDirectoryExceptionMessage;
    const char* text = pageText ? pageText : kPermissionText;
    logLine(text);
    MessageBoxA(pluginOwnerWindow(&plugin), text, plugin.m_page.programTitle,
                kPageTextBoxStyle);
  });
}
