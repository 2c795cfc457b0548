// RunCommands and StartupClient.
#include "workflow/updater_run.h"

#include "base/client_install_dir.h"
#include "base/path_text.h"
#include "download/installed_release.h"
#include "download/release_check.h"
#include "log/install_log.h"
#include "log/method_guard.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_values.h"
#include "workflow/configuration_fetch.h"
#include "workflow/message_boxes.h"
#include "workflow/open_failure_box.h"
#include "workflow/updater_process.h"

namespace {

// On the installed client's path a plug-in with release keys starts the installed
// updater only with a release it has checked: any page names its own configuration file.
// A refused release ends the run as a launch that failed, with its box (none for a page
// that was left). After an install the release was checked before it was unpacked.
bool releaseMayStart(CMyPlugin& plugin, const char* configFile, const char* directory) {
  if (!plugin.m_updaterInstalled || !checksReleases()) return true;
  const StepOutcome checked = checkInstalledRelease(transferOf(plugin), configFile, directory);
  showOpenFailureBox(plugin, checked);
  if (runCancelled(plugin)) {
    noteRunCancelled(plugin);
    return false;
  }
  if (checked.ok()) return true;
  logLine("The client is not started: its release was not accepted.");
  MessageBoxA(pluginOwnerWindow(&plugin), "Unable to launch client", kPluginCaption, kErrorBoxStyle);
  return false;
}

}  // namespace

RunOutcome RunCommands(CMyPlugin& plugin) {
  RunOutcome outcome = RunOutcome::kSucceeded;
  runGuarded(&plugin, "CMyPlugin::RunCommands()", [&] {
    if (!plugin.m_page.installMode || plugin.m_updaterInstalled) return;
    const char* url = plugin.m_page.redirectUrl;
    // Without a configuration file the updater would have nothing to install from; the
    // download has already failed the run for it.
    if (!url || !plugin.m_workDirectory) return;
    char configFile[kPathCapacity] = {};
    fetchInstanceConfigFile(plugin, url, plugin.m_workDirectory, configFile, sizeof configFile);
    // Once started, the updater is waited for; before that, leaving the page stops it.
    if (runCancelled(plugin)) {
      outcome = RunOutcome::kFailed;
      return;
    }
    char command[kCommandLineCapacity];
    const StartedProgram updater = formUpdaterCommand(command, plugin.m_workDirectory, "-install", configFile)
                                       ? startProgram(command)
                                       : StartedProgram();
    if (!updater) {
      logLine("Unable to call \"updater.exe -install\".");
      return;
    }
    // The updater owns the client's files while it runs: it is waited for however long.
    WaitForSingleObject(updater.process.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(updater.process.get(), &exitCode);
    if (exitCode != 0) outcome = RunOutcome::kFailed;
  });
  return outcome;
}

bool StartupClient(CMyPlugin& plugin, const char* url) {
  bool started = false;
  runGuarded(&plugin, "CMyPlugin::StartupClient()", [&] {
    char directory[kPathCapacity] = {};
    if (!GetClientInstallDir(directory, sizeof directory)) {
      logLine("CMyPlugin::StartupClient was executed without a client installation.");
      // A page that has been left shows nothing.
      if (!runCancelled(plugin))
        MessageBoxA(pluginOwnerWindow(&plugin), "Unable to find client installation", kPluginCaption,
                    kErrorBoxStyle);
      return;
    }
    char configFile[kPathCapacity] = {};
    const StepOutcome fetched = fetchInstanceConfigFile(plugin, url, directory, configFile, sizeof configFile);
    if (runCancelled(plugin)) return noteRunCancelled(plugin);
    if (!fetched.ok()) {
      // The download has logged why, and its box has shown.
      const auto held = lockInstallLog();
      logText("The client is not started: its configuration file could not be had: ");
      logLine(url);
      return;
    }
    if (!releaseMayStart(plugin, configFile, directory)) return;
    char command[kCommandLineCapacity];
    const bool formed = formUpdaterCommand(command, directory, nullptr, configFile);
    if (!formed || !startProgram(command)) {
      {
        const auto held = lockInstallLog();
        logLine("Unabled to launch the client.");
        logText("Command string: ");
        logLine(command);
      }
      if (!runCancelled(plugin))
        MessageBoxA(pluginOwnerWindow(&plugin), "Unable to launch client", kPluginCaption, kErrorBoxStyle);
      return;
    }
    started = true;
  });
  return started;
}
