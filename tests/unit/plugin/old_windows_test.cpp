// Behaviour under a Windows 9x version report (Wine reports one per program): the
// dialog template, whether page values are converted from UTF-8, and no refusal for a
// page that was left. Built twice: as
// a Windows 95 program (no conversion) and as a Windows 98 program (conversion).
#include <gtest/gtest.h>

#include "base/host_services.h"
#include "base/run_control.h"
#include "base/text_conversion.h"
#include "log/install_log.h"
#include "plugin/CMyPlugin.h"
#include "support/install_log_text.h"
#include "support/message_box_watcher.h"
#include "support/plugin_instance.h"
#include "workflow/worker_thread.h"

#ifndef OSTREL_EXPECTED_MINOR_VERSION
#error "set OSTREL_EXPECTED_MINOR_VERSION to the 9x minor version this program is run as"
#endif

TEST(OldWindows, TheSystemReportsTheExpectedVersion) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(version.dwMajorVersion, 4u);
  EXPECT_EQ(version.dwMinorVersion, static_cast<DWORD>(OSTREL_EXPECTED_MINOR_VERSION));
}

TEST(OldWindows, NineXUsesTheSecondDialogTemplate) {
  PluginInstance plugin({});
  EXPECT_EQ(plugin.record()->m_dialogTemplateId, 104);
}

TEST(OldWindows, OnlyWindows95KeepsUtf8ValuesUnconverted) {
  const bool converts = OSTREL_EXPECTED_MINOR_VERSION > 0;
  const std::string expected = converts ? "Caf\xE9" : "Caf\xC3\xA9";
  PluginInstance plugin({{"DocumentEncoding", "UTF-8"}, {"ProgramTitle", "Caf\xC3\xA9"}});
  EXPECT_EQ(plugin.value(plugin.record()->m_page.programTitle), expected);

  char* direct = ConvertUtf8ToAnsi("Caf\xC3\xA9");
  EXPECT_EQ(std::string(direct), expected);
  NPN_MemFree(direct);
}

// The page is left while the worker opens its session: the run ends there, with no
// refusal box (which would hold the browser's NPP_Destroy until answered) and no line but
// the cancellation's.
TEST(OldWindows, APageLeftWhileTheSessionOpensShowsNoRefusal) {
  MessageBoxWatcher boxes;
  PluginInstance plugin(EmbedParameters{{"UnsupportedPlatformError", "Windows 2000 or later, please."}});
  ASSERT_NE(plugin.record()->m_runControl, nullptr);
  plugin.record()->m_runControl->cancel();
  releaseInstallLog();
  RunOstrelClientThreadProc(plugin.record());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(installLogText(), "The run was cancelled: the page was left before it ended.\r\n");
}
