// Embed parameters into the instance record: recognised names, flags, the file list,
// and the UTF-8 conversion of values.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "log/install_log.h"
#include "plugin/work_directory.h"
#include "support/install_log_text.h"
#include "support/plugin_instance.h"

TEST(ReadParameters, NoParametersGiveTheDefaults) {
  PluginInstance plugin({});
  CMyPlugin* record = plugin.record();
  ASSERT_EQ(plugin.newResult, NPERR_NO_ERROR);
  EXPECT_EQ(record->m_page.argNames, nullptr);
  EXPECT_EQ(record->m_page.argValues, nullptr);
  for (const char* text : {record->m_page.redirectUrl, record->m_page.targetWindow,
                           record->m_page.programTitle, record->m_page.changeDirectoryExceptionMessage,
                           record->m_page.unsupportedPlatformError, record->m_page.installLogUrl,
                           record->m_page.siteMinderHeader, record->m_page.closeWindowUrl,
                           record->m_page.installErrorHttp, record->m_page.downloadPrompt})
    EXPECT_EQ(text, nullptr);
  EXPECT_TRUE(record->m_page.launchClient);
  EXPECT_FALSE(record->m_page.installMode);
  EXPECT_FALSE(record->m_page.closeWindowGiven);
  EXPECT_EQ(record->m_page.numFiles, 0);
  EXPECT_EQ(record->m_page.fileNames, nullptr);
  EXPECT_EQ(record->m_dialogTemplateId, 103);
  // The page's load leaves the folder to the worker's first step.
  EXPECT_EQ(record->m_workDirectory, nullptr);
  claimInstanceWorkDirectory(*record);
  ASSERT_NE(record->m_workDirectory, nullptr);
  EXPECT_NE(std::string(record->m_workDirectory), "");
  EXPECT_NE(GetFileAttributesA(record->m_workDirectory), INVALID_FILE_ATTRIBUTES);
}

TEST(ReadParameters, NamesIgnoreCaseAndTheLaterDuplicateWins) {
  PluginInstance plugin({{"type", "application/x-ostrel-updater-plugin"},
                         {"redirecturl", "http://127.0.0.1/first"},
                         {"PROGRAMTITLE", "Title"},
                         {"RedirectURL", "http://127.0.0.1/second"},
                         {"SiteMinderHeader", "cookie"},
                         {"InstallLogURL", "http://127.0.0.1/log"}});
  CMyPlugin* record = plugin.record();
  EXPECT_EQ(plugin.value(record->m_page.redirectUrl), "http://127.0.0.1/second");
  EXPECT_EQ(plugin.value(record->m_page.programTitle), "Title");
  EXPECT_EQ(plugin.value(record->m_page.siteMinderHeader), "cookie");
  EXPECT_EQ(plugin.value(record->m_page.installLogUrl), "http://127.0.0.1/log");
  EXPECT_EQ(record->m_page.argCount, 6);
  EXPECT_EQ(record->m_page.argNames[6], nullptr);
}

TEST(ReadParameters, InstallModeAndLaunchClientAcceptOnlyTheirWord) {
  struct Case {
    const char* installMode;
    const char* launchClient;
    int expectedInstall;
    int expectedLaunch;
  };
  for (const Case& c : {Case{"TRUE", "FALSE", 1, 0}, Case{"true", "false", 1, 0}, Case{"yes", "0", 0, 1},
                        Case{"1", "no", 0, 1}, Case{"", "", 0, 1}}) {
    PluginInstance plugin({{"InstallMode", c.installMode}, {"LaunchClient", c.launchClient}});
    EXPECT_EQ(plugin.record()->m_page.installMode, c.expectedInstall == 1) << c.installMode;
    EXPECT_EQ(plugin.record()->m_page.launchClient, c.expectedLaunch == 1) << c.launchClient;
  }
}

TEST(ReadParameters, EmptyCloseWindowStillCounts) {
  PluginInstance plugin({{"CloseWindow", ""}, {"CloseWindowUrl", "http://127.0.0.1/bye"}});
  EXPECT_TRUE(plugin.record()->m_page.closeWindowGiven);
  EXPECT_EQ(plugin.value(plugin.record()->m_page.closeWindowUrl), "http://127.0.0.1/bye");
}

TEST(ReadParameters, FileNamesAndSizesWithAMissingSize) {
  PluginInstance plugin({{"NumFiles", "3"}, {"File0", "a.cab"}, {"file1", "b.zip"}, {"FILE2", "c.cab"},
                         {"FileSize0", "10"}, {"FileSize2", "30"}});
  CMyPlugin* record = plugin.record();
  ASSERT_EQ(record->m_page.numFiles, 3);
  EXPECT_STREQ(record->m_page.fileNames[0], "a.cab");
  EXPECT_STREQ(record->m_page.fileNames[1], "b.zip");
  EXPECT_STREQ(record->m_page.fileNames[2], "c.cab");
  EXPECT_EQ(record->m_page.fileSizes[0], 10);
  EXPECT_EQ(record->m_page.fileSizes[1], 0);
  EXPECT_EQ(record->m_page.fileSizes[2], 30);
  EXPECT_EQ(record->m_progress.total(), 40);
}

TEST(ReadParameters, TwoDigitNumbersAndNoLeadingZero) {
  EmbedParameters parameters = {{"NumFiles", "12"}, {"File01", "never.cab"}};
  for (int n = 0; n < 12; ++n) {
    parameters.push_back({"File" + std::to_string(n), "f" + std::to_string(n) + ".cab"});
    parameters.push_back({"FileSize" + std::to_string(n), "5"});
  }
  PluginInstance plugin(parameters);
  CMyPlugin* record = plugin.record();
  ASSERT_EQ(record->m_page.numFiles, 12);
  EXPECT_STREQ(record->m_page.fileNames[1], "f1.cab");
  EXPECT_STREQ(record->m_page.fileNames[10], "f10.cab");
  EXPECT_STREQ(record->m_page.fileNames[11], "f11.cab");
  EXPECT_EQ(record->m_progress.total(), 60);
}

TEST(ReadParameters, FromTheHundredthFileEveryEntryReadsTheBareNames) {
  EmbedParameters parameters = {{"NumFiles", "101"}, {"File", "bare.cab"}, {"FileSize", "7"}};
  PluginInstance plugin(parameters);
  CMyPlugin* record = plugin.record();
  ASSERT_EQ(record->m_page.numFiles, 101);
  EXPECT_EQ(record->m_page.fileNames[99], nullptr);
  EXPECT_STREQ(record->m_page.fileNames[100], "bare.cab");
  EXPECT_EQ(record->m_page.fileSizes[100], 7);
}

TEST(ReadParameters, ASizeGivenTwiceCountsOnceInTheTotal) {
  PluginInstance plugin({{"NumFiles", "1"}, {"File0", "a.cab"}, {"FileSize0", "100"}, {"FileSize0", "25"}});
  EXPECT_EQ(plugin.record()->m_page.fileSizes[0], 25);
  EXPECT_EQ(plugin.record()->m_progress.total(), 25);
}

TEST(ReadParameters, NumbersFollowTheLeadingDigitsRule) {
  struct Case {
    const char* text;
    int files;
  };
  for (const Case& c : {Case{"2abc", 2}, Case{" 1", 1}, Case{"abc", 0}, Case{"-3", 0}, Case{"0", 0}, Case{"", 0}}) {
    PluginInstance plugin({{"NumFiles", c.text}, {"File0", "a"}, {"File1", "b"}});
    EXPECT_EQ(plugin.record()->m_page.numFiles, c.files) << c.text;
    EXPECT_EQ(plugin.record()->m_page.fileNames == nullptr, c.files == 0) << c.text;
  }
  PluginInstance sizes({{"NumFiles", "2"}, {"FileSize0", "99999999999"}, {"FileSize1", "99999999999"}});
  EXPECT_EQ(sizes.record()->m_page.fileSizes[0], INT32_MAX);
  EXPECT_EQ(sizes.record()->m_progress.total(), INT32_MAX);
}

TEST(ReadParameters, AnUnreasonableFileCountIsRefusedWithALogLine) {
  releaseInstallLog();
  PluginInstance plugin({{"NumFiles", "2000000000"}, {"File0", "a"}});
  EXPECT_EQ(plugin.record()->m_page.numFiles, 0);
  EXPECT_EQ(plugin.record()->m_page.fileNames, nullptr);
  EXPECT_NE(installLogText().find("NumFiles is out of range, no file is read: 2000000000\r\n"), std::string::npos);
  releaseInstallLog();
}

// Each live instance has a folder of its own; past the most, an instance has none (and
// so downloads nothing) rather than sharing one, and a folder given up serves again.
TEST(ReadParameters, PastTheMostWorkDirectoriesAnInstanceHasNone) {
  releaseInstallLog();
  std::vector<std::unique_ptr<PluginInstance>> live;
  std::set<std::string> folders;
  for (int i = 0; i < kMostWorkDirectories; ++i) {
    live.push_back(std::make_unique<PluginInstance>(EmbedParameters{}));
    claimInstanceWorkDirectory(*live.back()->record());
    folders.insert(PluginInstance::value(live.back()->record()->m_workDirectory));
  }
  EXPECT_EQ(folders.size(), static_cast<size_t>(kMostWorkDirectories));
  EXPECT_EQ(folders.count(""), 0u);
  {
    PluginInstance extra({});
    claimInstanceWorkDirectory(*extra.record());
    EXPECT_EQ(PluginInstance::value(extra.record()->m_workDirectory), "");
    const std::string line = "Every work directory is taken: 64 instances are running; this one downloads nothing.\r\n";
    const std::string log = installLogText();
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << log;
  }
  const std::string given = PluginInstance::value(live.back()->record()->m_workDirectory);
  live.pop_back();
  PluginInstance next({});
  claimInstanceWorkDirectory(*next.record());
  EXPECT_EQ(PluginInstance::value(next.record()->m_workDirectory), given);
  releaseInstallLog();
}

TEST(ReadParameters, DocumentEncodingConvertsValuesButNotTheFileList) {
  ASSERT_EQ(GetACP(), 1252u);
  PluginInstance converted({{"ProgramTitle", "Caf\xC3\xA9"}, {"DocumentEncoding", "ISO-8859-1"},
                            {"NumFiles", "1"}, {"File0", "caf\xC3\xA9.cab"}});
  EXPECT_EQ(converted.value(converted.record()->m_page.programTitle), "Caf\xE9");
  EXPECT_STREQ(converted.record()->m_page.fileNames[0], "caf\xC3\xA9.cab");

  PluginInstance raw(EmbedParameters{{"ProgramTitle", "Caf\xC3\xA9"}});
  EXPECT_EQ(raw.value(raw.record()->m_page.programTitle), "Caf\xC3\xA9");
}

TEST(ReadParameters, NullNamesAndValuesAreSkipped) {
  char name0[] = "RedirectURL";
  char name2[] = "ProgramTitle";
  char value2[] = "T";
  char* names[] = {name0, nullptr, name2};
  char* values[] = {nullptr, nullptr, value2};
  _NPP npp{};
  ASSERT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 3, names, values, nullptr), NPERR_NO_ERROR);
  auto* record = static_cast<CMyPlugin*>(npp.pdata);
  EXPECT_EQ(record->m_page.redirectUrl, nullptr);
  EXPECT_STREQ(record->m_page.programTitle, "T");
  NPP_Destroy(&npp, nullptr);
}
