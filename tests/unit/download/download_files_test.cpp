// The file-set update on instances made through NPP_New, against the fixture web server:
// which package files are fetched, skipped and unpacked, the server's error text, failed
// downloads and unpacking, and the configuration file fetched once per instance.
#include "workflow/update_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "download/config_files.h"
#include "download/download_package_list.h"
#include "log/install_log.h"
#include "net/file_download.h"
#include "plugin/run_session.h"
#include "plugin/run_values.h"
#include "plugin/work_directory.h"
#include "support/message_box_watcher.h"
#include "support/net_fixture.h"
#include "support/plugin_instance.h"
#include "support/scratch_folder.h"
#include "support/test_browser.h"
#include "support/test_files.h"
#include "version_folders.h"

namespace {

const char* const kClientAndDocsList =
    "updaterFiles=2\n"
    "updaterFile.0=client.cab\n"
    "client.cab.files=2\n"
    "client.cab.element.0=bin/core.dll\n"
    ".version.0=7,5,0,123\n"
    "client.cab.element.1=bin/ui.dll\n"
    ".version.1=7,5,0,120\n"
    "client.cab.version=7.5\n"
    "updaterFile.1=docs.cab\n"
    "docs.cab.files=0\n";

class DownloadFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Work directory and configuration files land in this test's own folder.
    m_scratch.setVariable("TMP", m_scratch.path().c_str());
    m_scratch.setVariable("TEMP", m_scratch.path().c_str());
    m_base = uniquePath("files").substr(1);
    CreateDirectoryA(serverFile("").c_str(), nullptr);
    releaseInstallLog();
  }
  void TearDown() override { releaseInstallLog(); }

  std::string serverFile(const std::string& name) const {
    return FixtureServer::instance().directory() + "\\files\\" + m_base + (name.empty() ? "" : "\\" + name);
  }
  // Puts text on the server under this test's folder; returns its URL.
  std::string serve(const std::string& name, const std::string& text) const {
    std::ofstream(serverFile(name), std::ios::binary) << text;
    return url(name);
  }
  // Puts one of the prepared package files on the server under another name.
  std::string servePackage(const std::string& prepared, const std::string& name) const {
    CopyFileA((FixtureServer::instance().directory() + "\\files\\" + prepared).c_str(), serverFile(name).c_str(), FALSE);
    return url(name);
  }
  std::string url(const std::string& name) const { return FixtureServer::instance().httpUrl("/files/" + m_base + "/" + name); }
  size_t requestsFor(const std::string& name) const {
    return FixtureServer::instance().requestsFor("/files/" + m_base + "/" + name).size();
  }
  // The configuration file names the package list (an unknown one when list is null).
  std::string serveConfiguration(const char* list, const std::string& extra = "") const {
    const std::string listUrl = list ? serve("packages.properties", list) : url("missing.properties");
    return serve("launch.oscf", "smartclient.configURL=" + listUrl + "\r\n" + extra);
  }

  std::unique_ptr<PluginInstance> makePlugin(const std::string& configurationUrl, const EmbedParameters& files) {
    EmbedParameters parameters = {{"RedirectURL", configurationUrl}, {"ProgramTitle", "Conference"},
                                  {"NumFiles", std::to_string(files.size())}};
    for (size_t i = 0; i < files.size(); ++i) {
      parameters.push_back({"File" + std::to_string(i), files[i].first});
      parameters.push_back({"FileSize" + std::to_string(i), files[i].second});
    }
    auto plugin = std::make_unique<PluginInstance>(parameters);
    // The update runs here on the test's thread: the folder is claimed and the session
    // opened first, as the worker does.
    claimInstanceWorkDirectory(*plugin->record());
    EXPECT_NE(std::string(plugin->record()->m_workDirectory), "");
    openRunSessionForWorker(*plugin->record());
    return plugin;
  }
  std::string inWork(const PluginInstance& plugin, const std::string& relative) const {
    return std::string(plugin.record()->m_workDirectory) + "\\" + relative;
  }
  void useInstalledVersions(const char* folder) { SetCurrentDirectoryA(versionFolder(folder).c_str()); }

  ScratchFolder m_scratch;
  std::string m_base;
  MessageBoxWatcher m_boxes;
};

std::string sizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return std::to_string(data.nFileSizeLow);
}

}  // namespace

TEST_F(DownloadFilesTest, AnOlderInstalledFileFetchesAndUnpacksItsCabinet) {
  useInstalledVersions("older");  // core.dll 7.5.0.100: 7,5,0,123 is newer
  auto plugin = makePlugin(serveConfiguration(kClientAndDocsList),
                           {{servePackage("client.cab", "client.cab") + ";pkg", "500000"},
                            {servePackage("extras.zip", "extras.zip") + ";pkg", "20000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_EQ(requestsFor("client.cab"), 1u);
  EXPECT_TRUE(fileExists(inWork(*plugin, "pkg\\client.cab")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "bin\\updater.exe")));
  // extras.zip matches no set while sets exist: fetched and left packed.
  EXPECT_TRUE(fileExists(inWork(*plugin, "pkg\\extras.zip")));
  EXPECT_FALSE(fileExists(inWork(*plugin, "extras\\extra.txt")));
  EXPECT_EQ(plugin->record()->m_progress.total(), 520000);
}

TEST_F(DownloadFilesTest, ProgressRunsFromZeroToAHundredForTheFileList) {
  const std::string cabinet = servePackage("client.cab", "client.cab");
  const std::string zip = servePackage("extras.zip", "extras.zip");
  auto plugin = makePlugin(serveConfiguration(nullptr), {{cabinet, sizeOf(serverFile("client.cab"))},
                                                         {zip, sizeOf(serverFile("extras.zip"))}});
  TestInstance bar;  // lends its recording progress bar to the instance
  bar.attachProgressDialog();
  plugin->record()->m_progressDialog = bar.plugin.m_progressDialog;
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadNoPackageList);
  plugin->record()->m_progressDialog = nullptr;

  // The configuration file's own run of the bar, then the file list's from 0.
  const std::vector<int> positions = bar.positions();
  ASSERT_FALSE(positions.empty());
  const auto restart = std::find(positions.rbegin(), positions.rend(), 0);
  ASSERT_NE(restart, positions.rend());
  const std::vector<int> fileList(restart.base() - 1, positions.end());
  EXPECT_TRUE(std::is_sorted(fileList.begin(), fileList.end()));
  EXPECT_EQ(fileList.back(), 100);
  EXPECT_GT(fileList.size(), 2u);  // a step between the two files
  for (int position : positions) EXPECT_TRUE(position >= 0 && position <= 100) << position;
}

TEST_F(DownloadFilesTest, CurrentInstalledFilesSkipTheirCabinet) {
  useInstalledVersions("current");  // core.dll 7.5.0.123 and ui.dll 7.5.0.120
  auto plugin = makePlugin(serveConfiguration(kClientAndDocsList),
                           {{servePackage("client.cab", "client.cab") + ";pkg", "500000"},
                            {servePackage("extras.zip", "extras.zip") + ";pkg", "20000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_EQ(requestsFor("client.cab"), 0u);
  EXPECT_FALSE(fileExists(inWork(*plugin, "pkg\\client.cab")));
  EXPECT_EQ(plugin->record()->m_progress.total(), 20000);  // the skipped file's declared size is off
  EXPECT_EQ(requestsFor("extras.zip"), 1u);
}

TEST_F(DownloadFilesTest, ElementVersionsComeFromKeysWithoutTheSetName) {
  useInstalledVersions("older");
  // ".version.0" says 7.5.0.100, the installed version: nothing newer. A key carrying the
  // set's name is never read, or the cabinet would be fetched.
  auto plugin = makePlugin(serveConfiguration("updaterFiles=1\nupdaterFile.0=client.cab\nclient.cab.files=1\n"
                                              "client.cab.element.0=bin/core.dll\n.version.0=7,5,0,100\n"
                                              "client.cab.version.0=9,9,9,9\n"),
                           {{servePackage("client.cab", "client.cab"), "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_EQ(requestsFor("client.cab"), 0u);
}

TEST_F(DownloadFilesTest, SetsWithoutElementsAndNamesInAnyCaseAreFetchedAndUnpacked) {
  auto plugin = makePlugin(serveConfiguration("updaterFiles=2\nupdaterFile.0=CLIENT.CAB\nupdaterFile.1=docs.cab\n"
                                              "docs.cab.files=0\n"),
                           {{servePackage("client.cab", "client.cab"), "1000"},
                            {servePackage("docs.cab", "docs.cab") + ";doc", "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_TRUE(fileExists(inWork(*plugin, "bin\\updater.exe")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "docs\\readme.txt")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "doc\\docs.cab")));
}

TEST_F(DownloadFilesTest, WithoutAPackageListEveryFileIsFetchedAndUnpacked) {
  auto plugin = makePlugin(serveConfiguration(nullptr),
                           {{servePackage("client.cab", "Client.CAB"), "1000"},
                            {servePackage("extras.zip", "extras.ZIP"), "1000"},
                            {servePackage("plain.bin", "plain.bin"), "2048"}});
  // The missing list itself is a failure the run remembers, with its reason in the log.
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadNoPackageList);
  EXPECT_TRUE(fileExists(inWork(*plugin, "bin\\updater.exe")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "extras\\extra.txt")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "plain.bin")));
  EXPECT_NE(installLogText().find("downloadPackageList failed to open URL: " + url("missing.properties")),
            std::string::npos);
}

// A list whose connection ends before its declared length (here within client.cab's
// elements) is not read as if it were the whole list: it counts as no list, so every file
// is fetched, and the log says why.
TEST_F(DownloadFilesTest, APackageListCutShortOfItsLengthIsNoPackageList) {
  useInstalledVersions("current");
  const std::string list = kClientAndDocsList;
  const std::string cutAt = std::to_string(list.find("client.cab.element.1"));
  serve("packages.properties", list);
  const std::string configuration =
      serve("launch.oscf", "smartclient.configURL=" + url("packages.properties") + "?cut=" + cutAt + "\r\n");
  auto plugin = makePlugin(configuration, {{servePackage("client.cab", "client.cab"), "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadNoPackageList);
  EXPECT_EQ(requestsFor("client.cab"), 1u);
  EXPECT_NE(installLogText().find("InternetReadFile failed.  Error code: 12030"), std::string::npos);
}

TEST_F(DownloadFilesTest, TheServersErrorTextStopsEverything) {
  auto plugin = makePlugin(serveConfiguration(kClientAndDocsList, "updater.error=Maintenance until noon\r\n"),
                           {{servePackage("client.cab", "client.cab"), "1000"}});
  const StepOutcome updated = DownloadFiles(*plugin->record());
  EXPECT_EQ(updated.code, kDownloadServerError);
  EXPECT_STREQ(updated.text, "Maintenance until noon");
  // The text is the workflow's to show: the update shows nothing.
  EXPECT_TRUE(m_boxes.boxes().empty());
  EXPECT_EQ(requestsFor("packages.properties"), 0u);
  EXPECT_EQ(requestsFor("client.cab"), 0u);
}

TEST_F(DownloadFilesTest, AFailedDownloadStopsTheList) {
  auto plugin = makePlugin(serveConfiguration(nullptr),
                           {{servePackage("client.cab", "client.cab"), "1000"},
                            {url("not-there.zip"), "1000"},
                            {servePackage("docs.cab", "docs.cab"), "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadNoUrl);
  EXPECT_TRUE(fileExists(inWork(*plugin, "bin\\updater.exe")));
  EXPECT_EQ(requestsFor("docs.cab"), 0u);
}

TEST_F(DownloadFilesTest, ANegativeSizeReadsTheWholeFile) {
  const std::string cabinet = servePackage("client.cab", "client.cab");
  auto plugin = makePlugin(serveConfiguration(nullptr), {{cabinet + ";pkg", "-1"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadNoPackageList);
  EXPECT_EQ(sizeOf(inWork(*plugin, "pkg\\client.cab")), sizeOf(serverFile("client.cab")));
  EXPECT_TRUE(fileExists(inWork(*plugin, "bin\\updater.exe")));
}

TEST_F(DownloadFilesTest, AnArchiveThatDoesNotUnpackStopsTheUpdate) {
  auto plugin = makePlugin(serveConfiguration(nullptr), {{servePackage("broken.cab", "broken.cab"), "1000"},
                                                         {servePackage("docs.cab", "docs.cab"), "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadFilesIncomplete);
  EXPECT_EQ(requestsFor("docs.cab"), 0u);
  EXPECT_NE(installLogText().find("The package file could not be unpacked, the update stops: "), std::string::npos);
}

TEST_F(DownloadFilesTest, AnEntryThatClimbsOutOfTheWorkDirectoryIsRefused) {
  auto plugin = makePlugin(serveConfiguration(nullptr), {{servePackage("docs.cab", "docs.cab") + ";..\\outside", "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, kDownloadFilesIncomplete);
  EXPECT_EQ(requestsFor("docs.cab"), 0u);
  EXPECT_FALSE(fileExists(m_scratch / "outside"));
}

TEST_F(DownloadFilesTest, WithoutRedirectUrlNothingIsFetched) {
  PluginInstance plugin({{"NumFiles", "1"}, {"File0", url("docs.cab")}, {"FileSize0", "10"}});
  EXPECT_EQ(DownloadFiles(*plugin.record()).code, kDownloadFilesNoConfiguration);
  EXPECT_NE(installLogText().find("No RedirectURL specified"), std::string::npos);
  EXPECT_EQ(requestsFor("docs.cab"), 0u);
}

TEST_F(DownloadFilesTest, AnInstalledUpdaterMeansNothingToDo) {
  auto plugin = makePlugin(serveConfiguration(nullptr), {{servePackage("docs.cab", "docs.cab"), "1000"}});
  plugin->record()->m_updaterInstalled = 1;
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_EQ(requestsFor("launch.oscf"), 0u);
}

TEST_F(DownloadFilesTest, TheConfigurationFileIsFetchedOncePerInstance) {
  const std::string configuration = serveConfiguration(nullptr);
  auto plugin = makePlugin(configuration, {});
  char first[MAX_PATH];
  char second[MAX_PATH];
  fetchConfigFile(transferOf(*plugin->record()), plugin->record()->m_configuration, configuration.c_str(), "C:\\one", first, sizeof first);
  fetchConfigFile(transferOf(*plugin->record()), plugin->record()->m_configuration, configuration.c_str(), "C:\\two", second, sizeof second);
  EXPECT_STREQ(first, second);
  EXPECT_EQ(requestsFor("launch.oscf"), 1u);
  const std::string path = first;
  EXPECT_TRUE(std::regex_search(
      path, std::regex(R"(\\launch_\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d_\d{3}_\d+_\d+\.oscf$)"))) << path;
  EXPECT_EQ(path.find("\\\\"), std::string::npos);
  EXPECT_EQ(path.rfind(shortPathOf(m_scratch.path()), 0), 0u) << path;
  EXPECT_TRUE(fileExists(path));
  // Another instance, within the same millisecond or not, has a file of its own.
  auto other = makePlugin(configuration, {});
  char third[MAX_PATH];
  fetchConfigFile(transferOf(*other->record()), other->record()->m_configuration, configuration.c_str(), "C:\\one", third, sizeof third);
  EXPECT_STRNE(first, third);
  EXPECT_TRUE(fileExists(path));
  EXPECT_TRUE(fileExists(third));
}

TEST_F(DownloadFilesTest, ALargePackageListIsReadWhole) {
  std::string list = "updaterFiles=1\nupdaterFile.0=docs.cab\ndocs.cab.files=0\n";
  for (int i = 0; i < 40000; ++i) list += "filler." + std::to_string(i) + "=some value to make the list long\n";
  list += "last=line";
  auto plugin = makePlugin(serveConfiguration(list.c_str()), {{servePackage("docs.cab", "docs.cab"), "1000"}});
  EXPECT_EQ(DownloadFiles(*plugin->record()).code, 0);
  EXPECT_TRUE(fileExists(inWork(*plugin, "docs\\readme.txt")));
}

// The package list is never answered from a cache: a list changed on the server between
// two runs of the same page is the one the second run follows.
TEST_F(DownloadFilesTest, APackageListChangedOnTheServerIsSeenByTheNextRun) {
  useInstalledVersions("current");  // core.dll 7.5.0.123 and ui.dll 7.5.0.120, as listed
  const std::string cabinet = servePackage("client.cab", "client.cab") + ";pkg";
  const std::string configuration = serveConfiguration(kClientAndDocsList);
  EXPECT_EQ(DownloadFiles(*makePlugin(configuration, {{cabinet, "500000"}})->record()).code, 0);
  EXPECT_EQ(requestsFor("client.cab"), 0u);
  // A new release of core.dll on the server, under the same URL.
  std::string next = kClientAndDocsList;
  next.replace(next.find("7,5,0,123"), 9, "7,5,0,124");
  serve("packages.properties", next);
  EXPECT_EQ(DownloadFiles(*makePlugin(configuration, {{cabinet, "500000"}})->record()).code, 0);
  EXPECT_EQ(requestsFor("packages.properties"), 2u);
  EXPECT_EQ(requestsFor("client.cab"), 1u);
}

// A list that was had but whose conversion runs out of room is named as such, not as a
// list that could not be held.
TEST(PackageListText, AListWhoseConversionFailsSaysSo) {
  releaseInstallLog();
  const std::string room(600, '-');
  logLine(room.c_str());  // the log's own block has room for the line to come
  TestBrowser::instance().failAllocationsAfter(1);  // the UTF-16 text, not the ANSI one
  char* text = packageListText("updaterFiles=0\n");
  TestBrowser::instance().stopFailingAllocations();
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(installLogText(), room + "\r\ndownloadPackageList: the package list could not be converted from UTF-8 "
                              "to the system's code page (no memory for the conversion); the update goes on as "
                              "without a package list.\r\n");
  releaseInstallLog();
}
