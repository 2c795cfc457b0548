"""Runs that fail: downloads that fail show the page's or the built-in permission text,
an updater that exits with an error starts no client, a launch without installation says
so, and Windows 98 is refused before anything is fetched."""

import shutil
import urllib.parse

from run_scene import PREFIX_C, SceneTestCase, reg
from standin import BIN, main, scaled

PERMISSION_TEXT = ("You do not have permission to install the Ostrel client.  Please contact your system "
                   "administrator, or log out of Windows and log back in as a more privileged user.")
APP_DEFAULTS = "HKCU\\Software\\Wine\\AppDefaults\\browser_standin.exe"


class FailedDownloadTest(SceneTestCase):
    def test_each_failed_download_shows_the_permission_text(self):
        config = self.scene.serve("launch.oscf", "smartclient.configURL=%s\r\n" %
                                  self.scene.serve("packages.properties", "updaterFiles=0\n"))
        self.scene.serve("broken.cab", "no cabinet\n")
        cases = {
            6: [("RedirectURL", config), ("File0", self.scene.url("none.cab;"))],
            8: [("RedirectURL", config), ("File0", self.scene.url("broken.cab;"))],
            9: [("File0", self.scene.url("broken.cab;"))],
        }
        for code, parameters in cases.items():
            with self.subTest(code=code):
                run = self.scene.run([*parameters, ("NumFiles", "1"), ("FileSize0", "10")], run_ms=scaled(2000))
                self.assertCompleted(run)
                self.assertEqual(self.boxes(run)[-1], PERMISSION_TEXT)
                self.assertIn("Unable to download client files.  rc: %d" % code, run.log)
                self.assertEqual(run.log[-1], PERMISSION_TEXT)
                self.assertEqual(self.scene.record_lines(), [])
        run = self.scene.run([("RedirectURL", config), ("NumFiles", "1"), ("File0", self.scene.url("none.cab;")),
                              ("ChangeDirectoryExceptionMessage", "Ask your administrator.")], run_ms=scaled(2000))
        self.assertEqual(self.boxes(run)[-1], "Ask your administrator.")


class UpdaterTest(SceneTestCase):
    def test_an_updater_exiting_with_3_fails_the_run_and_starts_no_client(self):
        run = self.scene.run([("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(updater_exit=3),
                              ("InstallMode", "true"), ("CloseWindow", "")], run_ms=15000)
        self.assertCompleted(run)
        record = self.scene.record_lines()
        self.assertIn("updater: exit 3", record)
        self.assertEqual([l for l in record if l.startswith("client:")], [])
        self.assertEqual(len([l for l in record if l.startswith("updater: command line")]), 1, record)
        # The failure signalled the startup event: the closing did not wait the 20 s for a
        # client, and came within the 15 s the page stays open.
        self.assertIn("run ended: the browser window was closed", run.lines)

    def test_without_install_mode_nothing_is_installed_and_the_launch_finds_nothing(self):
        # The run ends with the box.
        run = self.scene.run([("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release()],
                             "--end-after-boxes", 1)
        self.assertCompleted(run)
        self.assertEqual(self.scene.record_lines(), [])
        self.assertEqual(self.boxes(run), ["Unable to find client installation"])
        self.assertIn("CMyPlugin::StartupClient was executed without a client installation.", run.log)


class ServerErrorTest(SceneTestCase):
    def test_the_servers_error_text_runs_no_updater_left_from_an_earlier_run(self):
        # An earlier run's tree in the work directory, its updater ready to install.
        temp = next((PREFIX_C / "users").glob("*/Temp"))
        leftover = temp / "Ostrel_client_install" / "bin"
        leftover.mkdir(parents=True)
        shutil.copyfile(BIN / "sample_client" / "updater.exe", leftover / "updater.exe")
        files = self.scene.release()
        config = self.scene.serve("launch.oscf", "updater.error=Closed for maintenance\r\n")
        run = self.scene.run([("RedirectURL", config), *files, ("InstallMode", "true"),
                              ("ProgramTitle", "Conference"), ("CloseWindow", "")], run_ms=15000)
        self.assertCompleted(run)
        self.assertEqual(self.boxes(run), ["Closed for maintenance"])
        self.assertEqual([m.group(1) for m in run.matching(r'message box caption="(.*)" text="Closed')],
                         ["Conference"])
        self.assertEqual(self.scene.requested(), ["launch.oscf"])
        self.assertEqual(self.scene.record_lines(), [])
        self.assertEqual([line for line in run.log if line.startswith("Unable")], [])
        # The failure released the closing at once, as any failed run does.
        self.assertIn("run ended: the browser window was closed", run.lines)


def configuration_files():
    return {path.name for path in (PREFIX_C / "users").glob("*/Temp/launch*.oscf")}


class ConfigurationSizeTest(SceneTestCase):
    def test_a_configuration_file_over_a_mebibyte_is_refused_with_or_without_its_length(self):
        files = self.scene.release()
        server = self.scene.base_url.split("/files/")[0]
        cases = {"size=2097152": "DownloadFile stopped: the body declares 2097152 bytes, more than the most it "
                                 "may have, 1048576",
                 "size=2097152&length=none": "DownloadFile stopped: the body has no declared length and is "
                                             "longer than 1048576"}
        for query, line in cases.items():
            with self.subTest(query):
                before = configuration_files()
                config = "%s/as/%s/%s/launch.oscf" % (server, urllib.parse.quote(query, safe=""), self.scene.name)
                run = self.scene.run([("RedirectURL", config), *files, ("InstallMode", "true"),
                                      ("CloseWindow", "")], run_ms=60000)
                self.assertCompleted(run)
                self.assertIn(line, run.log)
                self.assertIn("Unable to download client files.  rc: 3", run.log)
                self.assertEqual(self.boxes(run), [PERMISSION_TEXT])
                # Nothing of the file stayed, and no package was asked for.
                self.assertLessEqual(configuration_files(), before)
                self.assertEqual(self.scene.requested(), [])
                self.assertEqual(self.scene.record_lines(), [])

    def test_a_server_error_too_long_to_keep_still_ends_the_run_showing_its_start(self):
        files = self.scene.release()
        text = "".join("Closed for maintenance until further notice. %05d " % n for n in range(10000))
        config = self.scene.serve("launch.oscf", "updater.error=%s\r\n" % text)
        run = self.scene.run([("RedirectURL", config), *files, ("InstallMode", "true"), ("CloseWindow", "")],
                             run_ms=15000)
        self.assertCompleted(run)
        self.assertEqual(self.boxes(run), [text[:1000]])
        self.assertEqual(self.scene.requested(), ["launch.oscf"])
        self.assertEqual(self.scene.record_lines(), [])


class OldWindowsTest(SceneTestCase):
    def test_windows_98_is_refused_before_anything_is_fetched(self):
        reg("add", APP_DEFAULTS, "/v", "Version", "/d", "win98", "/f")
        try:
            run = self.scene.run([("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(),
                                  ("UnsupportedPlatformError", "Windows 2000 or later, please."),
                                  ("ProgramTitle", "Conference")], run_ms=scaled(2000))
        finally:
            reg("delete", APP_DEFAULTS, "/f")
        self.assertCompleted(run)
        self.assertEqual(self.boxes(run), ["Windows 2000 or later, please."])
        self.assertEqual(self.scene.requested(), [])
        # The dialog still comes up, from the template of those systems (shown with the
        # 3-D look the system adds).
        styles = run.matching(r"dialog style=(0x[0-9A-F]{8}) .*font=(.*) text-style")
        self.assertEqual([(m.group(1), m.group(2)) for m in styles], [("0x40000044", '"Lucida Sans Unicode"')],
                         run.output)


if __name__ == "__main__":
    main()
