// The worker's run on instances made through NPP_New, against the fixture web server,
// checked through the install log and the boxes: failed downloads, an install run that
// cannot start, a launch without installation, and a fault in each workflow method and
// in each step that starts the worker or closes the window, and the closing page loaded
// without a dialog.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "base/client_install_dir.h"
#include "log/install_log.h"
#include "support/armed_fault.h"
#include "support/message_box_watcher.h"
#include "support/net_fixture.h"
#include "support/plugin_instance.h"
#include "support/scratch_folder.h"
#include "support/test_browser.h"
#include "support/time_scale.h"
#include "entry/npp_callbacks.h"
#include "workflow/close_window.h"
#include "workflow/finish.h"
#include "workflow/startup_event.h"
#include "workflow/worker_thread.h"

namespace {

constexpr char kPermissionText[] =
    "You do not have permission to install the Ostrel client.  Please contact your system administrator, or "
    "log out of Windows and log back in as a more privileged user.";
constexpr char kClientKey[] = "SOFTWARE\\Ostrel Software, Inc.\\Ostrel Client";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string faultLine(const std::string& traceName) {
  return "Exception caught in " + traceName + ".  Exception number: 3221225477\r\n";
}

class RunPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    m_scratch.setVariable("TMP", m_scratch.path().c_str());
    m_scratch.setVariable("TEMP", m_scratch.path().c_str());
    // An installation left by another program of the rig would turn these runs into launches.
    RegDeleteKeyA(HKEY_CURRENT_USER, kClientKey);
    m_base = uniquePath("run").substr(1);
    CreateDirectoryA(serverFile("").c_str(), nullptr);
    releaseInstallLog();
  }
  void TearDown() override {
    armFaultFor(nullptr);
    releaseInstallLog();
  }

  std::string serverFile(const std::string& name) const {
    return FixtureServer::instance().directory() + "\\files\\" + m_base + (name.empty() ? "" : "\\" + name);
  }
  std::string serve(const std::string& name, const std::string& text) const {
    std::ofstream(serverFile(name), std::ios::binary) << text;
    return FixtureServer::instance().httpUrl("/files/" + m_base + "/" + name);
  }
  // A configuration file whose package list has no sets.
  std::string configuration() const {
    return serve("launch.oscf", "smartclient.configURL=" + serve("packages.properties", "updaterFiles=0\n") + "\r\n");
  }

  // Runs the worker's whole procedure on this thread and gives the log it left.
  std::string runWorker(const EmbedParameters& parameters) {
    m_plugin = std::make_unique<PluginInstance>(parameters);
    releaseInstallLog();  // what opening the session logged
    RunOstrelClientThreadProc(m_plugin->record());
    EXPECT_EQ(WaitForSingleObject(m_plugin->record()->m_workerDoneEvent, 0), WAIT_OBJECT_0);
    return installLogText();
  }
  // Install mode with nothing to fetch: the install run finds no updater, the launch no
  // installation.
  EmbedParameters installWithoutUpdater() const {
    return {{"RedirectURL", configuration()}, {"InstallMode", "true"}, {"ProgramTitle", "Conference"}};
  }
  EmbedParameters failingDownload(const EmbedParameters& extra = {}) const {
    EmbedParameters parameters = {{"RedirectURL", configuration()}, {"ProgramTitle", "Conference"},
                                  {"NumFiles", "1"},
                                  {"File0", FixtureServer::instance().httpUrl("/files/" + m_base + "/none.cab")},
                                  {"FileSize0", "10"}};
    parameters.insert(parameters.end(), extra.begin(), extra.end());
    return parameters;
  }
  bool sawBox(const std::string& text) const {
    for (const SeenBox& box : m_boxes.boxes())
      if (box.text == text) return true;
    return false;
  }

  ScratchFolder m_scratch;
  std::string m_base;
  MessageBoxWatcher m_boxes;
  std::unique_ptr<PluginInstance> m_plugin;
};

// A browser's top-level window with the plug-in's area in it, and the record the page
// hands over for that area; both windows go with it.
struct BrowserWindow {
  BrowserWindow() { window.window = area; }
  ~BrowserWindow() { DestroyWindow(top); }
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  const HWND top = CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  const HWND area =
      CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 50, top, nullptr, GetModuleHandleA(nullptr), nullptr);
  NPWindow window{};
};

}  // namespace

TEST_F(RunPaths, AFailedDownloadLogsItsCodeAndShowsThePermissionText) {
  const std::string log = runWorker(failingDownload());
  EXPECT_TRUE(contains(log, std::string("Unable to download client files.  rc: 6\r\n") + kPermissionText + "\r\n"))
      << log;
  EXPECT_TRUE(sawBox(kPermissionText));
}

TEST_F(RunPaths, ThePagesMessageReplacesThePermissionText) {
  const std::string log = runWorker(failingDownload({{"ChangeDirectoryExceptionMessage", "No room here."}}));
  EXPECT_TRUE(contains(log, "Unable to download client files.  rc: 6\r\nNo room here.\r\n")) << log;
  EXPECT_FALSE(contains(log, kPermissionText));
  EXPECT_TRUE(sawBox("No room here."));
}

TEST_F(RunPaths, AnUpdaterThatCannotStartIsLoggedAndTheLaunchFindsNoInstallation) {
  const std::string log = runWorker(installWithoutUpdater());
  EXPECT_TRUE(contains(log, "Unable to call \"updater.exe -install\".\r\n"
                            "CMyPlugin::StartupClient was executed without a client installation.\r\n"))
      << log;
  EXPECT_TRUE(sawBox("Unable to find client installation"));
}

TEST_F(RunPaths, AFaultInAWorkflowMethodEndsOnlyThatMethod) {
  const std::string updaterLine = "Unable to call \"updater.exe -install\".";
  const std::string launchLine = "CMyPlugin::StartupClient was executed without a client installation.";
  struct Case {
    const char* traceName;
    bool updaterTried;  // the run went on to the install run
    bool launchTried;   // and to the client start
  };
  for (const Case& c : {Case{"RunOstrelClientThreadProc()", false, false},
                        Case{"CMyPlugin::runOstrelClient()", false, false},
                        Case{"CMyPlugin::IsClientUpdaterInstalled()", true, true},
                        Case{"CMyPlugin::RunCommands()", false, true},
                        Case{"CMyPlugin::Finish()", true, false},
                        Case{"CMyPlugin::StartupClient()", true, false}}) {
    SCOPED_TRACE(c.traceName);
    armFaultFor(c.traceName);
    const std::string log = runWorker(installWithoutUpdater());
    EXPECT_TRUE(contains(log, faultLine(c.traceName))) << log;
    EXPECT_EQ(contains(log, updaterLine), c.updaterTried) << log;
    EXPECT_EQ(contains(log, launchLine), c.launchTried) << log;
    releaseInstallLog();
  }
}

TEST_F(RunPaths, AFaultInTheErrorBoxStillFinishesTheRun) {
  armFaultFor("CMyPlugin::ErrorMessageBox()");
  const std::string log = runWorker(failingDownload({{"CloseWindow", ""}}));
  EXPECT_TRUE(contains(log, "Unable to download client files.  rc: 6\r\n")) << log;
  EXPECT_TRUE(contains(log, faultLine("CMyPlugin::ErrorMessageBox()"))) << log;
  EXPECT_FALSE(contains(log, kPermissionText));
  EXPECT_FALSE(sawBox(kPermissionText));
}

TEST_F(RunPaths, FaultsInTheStartAndClosingStepsEndOnlyThoseSteps) {
  const BrowserWindow browser;
  const HWND top = browser.top;
  NPWindow window = browser.window;
  PluginInstance plugin(EmbedParameters{{"CloseWindow", ""}});
  CMyPlugin& record = *plugin.record();
  releaseInstallLog();

  armFaultFor("CMyPlugin::BeginRunningOstrelClient()");
  EXPECT_EQ(NPP_SetWindow(&plugin.npp, &window), NPERR_NO_ERROR);
  EXPECT_EQ(record.m_workerStarted, 0);
  EXPECT_EQ(record.m_npWindow, &window);

  armFaultFor("CMyPlugin::URLNotify()");
  NPP_URLNotify(&plugin.npp, "http://127.0.0.1/", NPRES_DONE, nullptr);
  EXPECT_EQ(record.m_frameWindow, nullptr);
  EXPECT_EQ(record.m_closingThread, nullptr);

  armFaultFor("CMyPlugin::PrepareCloseWindow()");
  PrepareCloseWindow(record);
  EXPECT_EQ(record.m_frameWindow, nullptr);
  PrepareCloseWindow(record);
  EXPECT_EQ(record.m_frameWindow, top);

  armFaultFor("CMyPlugin::ClosePluginWindow()");
  const DWORD before = GetTickCount();
  ClosePluginWindow(record);
  EXPECT_LT(GetTickCount() - before, scaledMs(1000));
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, top, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));

  const std::string log = installLogText();
  for (const char* traceName : {"CMyPlugin::BeginRunningOstrelClient()", "CMyPlugin::URLNotify()",
                                "CMyPlugin::PrepareCloseWindow()", "CMyPlugin::ClosePluginWindow()"})
    EXPECT_TRUE(contains(log, faultLine(traceName))) << log;
  record.m_frameWindow = nullptr;
}

// A browser may hand over an attribute written without a value as a null value: the page
// gave "CloseWindow" all the same, for the end of a run and after a redirect alike.
TEST_F(RunPaths, CloseWindowWithoutAValueClosesTheWindowOnEveryPath) {
  const BrowserWindow browser;
  const HWND top = browser.top;
  NPWindow window = browser.window;
  char mime[] = "application/x-ostrel-updater-plugin";
  char name[] = "CloseWindow";
  char* names[] = {name};
  char* values[] = {nullptr};
  _NPP npp{};
  ASSERT_EQ(NPP_New(mime, &npp, NP_EMBED, 1, names, values, nullptr), NPERR_NO_ERROR);
  CMyPlugin& record = *static_cast<CMyPlugin*>(npp.pdata);
  record.m_npWindow = &window;
  Finish(record, RunOutcome::kFailed);
  EXPECT_EQ(record.m_frameWindow, top);
  record.m_frameWindow = nullptr;
  record.URLNotify();
  EXPECT_EQ(record.m_frameWindow, top);
  record.m_frameWindow = nullptr;
  record.m_npWindow = nullptr;
  EXPECT_EQ(NPP_Destroy(&npp, nullptr), NPERR_NO_ERROR);
}

TEST_F(RunPaths, WithoutADialogTheClosingPageIsLoadedDirectly) {
  const HWND top = CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  PluginInstance plugin(EmbedParameters{{"CloseWindow", ""}, {"CloseWindowUrl", "http://127.0.0.1/bye.html"}});
  CMyPlugin& record = *plugin.record();
  record.m_frameWindow = top;
  // As after a failed run: nobody is waited for.
  signalStartupEvent();
  TestBrowser::instance().clearRequests();
  ClosePluginWindow(record);
  const auto requests = TestBrowser::instance().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "http://127.0.0.1/bye.html");
  EXPECT_EQ(requests[0].target, "_self");
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, top, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
  record.m_frameWindow = nullptr;
  DestroyWindow(top);
}

// A page that has been left shows no box, even where its run would have ended with one:
// here the installed client's path on a page without RedirectURL.
TEST_F(RunPaths, APageThatWasLeftShowsNoBox) {
  const std::string installed = m_scratch.path() + "\\installed";
  CreateDirectoryA(installed.c_str(), nullptr);
  CreateDirectoryA((installed + "\\bin").c_str(), nullptr);
  std::ofstream(installed + kUpdaterRelativePath, std::ios::binary) << "MZ";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kClientKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(installed.c_str()),
                 static_cast<DWORD>(installed.size() + 1));
  RegCloseKey(key);
  for (const bool left : {false, true}) {
    SCOPED_TRACE(left ? "left" : "stayed");
    const size_t before = m_boxes.boxes().size();
    m_plugin = std::make_unique<PluginInstance>(EmbedParameters{{"ProgramTitle", "Conference"}});
    if (left) m_plugin->record()->m_runControl->cancel();
    RunOstrelClientThreadProc(m_plugin->record());
    EXPECT_EQ(m_boxes.boxes().size() - before, left ? 0u : 1u);
    m_plugin.reset();
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kClientKey);
}

// The named startup event is shared with every other instance and browser process that
// waits for its client: a run whose page was left ends without signalling it.
TEST_F(RunPaths, APageThatWasLeftLeavesTheSharedStartupEventAlone) {
  const HANDLE event = openStartupEvent();
  ASSERT_NE(event, nullptr);
  // An earlier run of this program may have signalled it for good: it is put back after.
  const bool wasSignalled = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
  ResetEvent(event);
  m_plugin = std::make_unique<PluginInstance>(failingDownload());
  m_plugin->record()->m_runControl->cancel();
  Finish(*m_plugin->record(), RunOutcome::kFailed);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  if (wasSignalled) SetEvent(event);
  CloseHandle(event);
}
