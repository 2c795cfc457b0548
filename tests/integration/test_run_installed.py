"""An installed client: no package is fetched, the configuration goes to the installed
updater, and the installation is found in the registry (the current user's first) or in
the fixed places; an installation without its updater does not count; without a
RedirectURL the run only says so."""

import os
import re
import shutil

from run_scene import PREFIX_C, SceneTestCase, set_install_dir
from standin import main, scaled, windows_path

LAUNCH = re.compile(r'updater: command line "(.+)\\bin\\updater\.exe" "(.+\.oscf)"$')


class InstalledClientTest(SceneTestCase):
    def page(self, *extra):
        return [("RedirectURL", self.scene.serve("launch.oscf", "smartclient.configURL=none\r\n")),
                ("NumFiles", "1"), ("File0", self.scene.url("client.cab;")), ("FileSize0", "100"), *extra]

    def launched_from(self):
        return [m.group(1) for m in map(LAUNCH.match, self.scene.record_lines()) if m]

    def test_the_current_users_installation_wins_and_nothing_is_fetched(self):
        machine = self.scene.installed_tree(self.scene.folder / "machine")
        user = self.scene.installed_tree(self.scene.folder / "user")
        set_install_dir("HKLM", windows_path(machine))
        set_install_dir("HKCU", windows_path(user))
        run = self.scene.run(self.page(), run_ms=scaled(3000))
        self.assertCompleted(run)
        self.assertEqual(self.scene.requested(), ["launch.oscf"])
        self.assertEqual(self.launched_from(), [windows_path(user)])
        self.assertNotIn("dialog shown", run.lines)
        self.assertIn("client: startup event signalled", self.scene.record_lines())

    def test_a_closing_page_shows_the_dialog_and_is_loaded_into_the_plugins_frame(self):
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))
        run = self.scene.run(self.page(("CloseWindow", ""), ("CloseWindowUrl", "http://127.0.0.1:1/bye.html")))
        self.assertCompleted(run)
        self.assertIn("dialog shown", run.lines)
        self.assertIn('GetURL url="http://127.0.0.1:1/bye.html" target="_self"', run.lines)
        self.assertIn('page replaced by "http://127.0.0.1:1/bye.html"', run.lines)
        self.assertNotIn("frame closed by the plug-in", run.lines)

    def test_leaving_the_page_while_waiting_for_the_client_ends_the_wait_and_closes_nothing(self):
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))
        os.environ["OSTREL_SAMPLE_CLIENT_SILENT"] = "1"
        try:
            # The plug-in waits up to 20 s for a client that never says it is up.
            run = self.scene.run(self.page(("CloseWindow", "")), run_ms=scaled(3000))
        finally:
            del os.environ["OSTREL_SAMPLE_CLIENT_SILENT"]
        self.assertCompleted(run)
        self.assertIn("client: startup event left unsignalled", self.scene.record_lines())
        self.assertIn("run ended: the run time is over", run.lines)
        # The wait ended with the page; the fixed pause after the worker's end follows.
        took = int(run.matching(r"NPP_Destroy took (\d+) ms")[0].group(1))
        self.assertLess(took, 2000 + scaled(1000))
        self.assertNotIn("frame closed by the plug-in", run.lines)

    def test_a_configuration_file_that_cannot_be_had_starts_nothing(self):
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))
        lost = self.scene.url("lost.oscf")
        run = self.scene.run([("RedirectURL", lost), ("CloseWindow", "")], run_ms=scaled(10000))
        self.assertCompleted(run)
        self.assertEqual(self.scene.requested(), ["lost.oscf"])
        self.assertEqual(len(self.boxes(run)), 1, run.lines)
        self.assertIn("404", self.boxes(run)[0])
        self.assertEqual(self.scene.record_lines(), [])
        self.assertIn("The client is not started: its configuration file could not be had: " + lost, run.log)
        # Nothing will start, so the closing does not wait 20 s for a client: it comes
        # within the 10 s the page stays open.
        self.assertIn("run ended: the browser window was closed", run.lines)

    def test_fixed_places_in_order(self):
        program_files = PREFIX_C / "Program Files" / "Ostrel" / "client"
        ostrel_one = PREFIX_C / "OstrelOne"
        try:
            self.scene.installed_tree(program_files)
            self.scene.installed_tree(ostrel_one)
            self.scene.run(self.page(), run_ms=scaled(2000))
            self.assertEqual(self.launched_from(), ["C:\\Program Files\\Ostrel\\client"])
            shutil.rmtree(program_files.parent)
            self.scene.record.unlink()
            self.scene.run(self.page(), run_ms=scaled(2000))
            # The updater found there is the one that runs.
            self.assertEqual(self.launched_from(), ["C:\\OstrelOne"])
        finally:
            shutil.rmtree(program_files.parent, ignore_errors=True)
            shutil.rmtree(ostrel_one, ignore_errors=True)

    def test_an_installation_without_its_updater_means_not_installed(self):
        empty = self.scene.folder / "empty"
        (empty / "bin").mkdir(parents=True)
        set_install_dir("HKCU", windows_path(empty))
        run = self.scene.run(self.page(), run_ms=scaled(2000))
        self.assertCompleted(run)
        self.assertIn("client.cab", self.scene.requested())
        self.assertIn("dialog shown", run.lines)

    def test_without_redirect_url_only_a_box_and_no_closing(self):
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))
        run = self.scene.run([("CloseWindow", ""), ("ProgramTitle", "Conference")], run_ms=scaled(3000))
        self.assertCompleted(run)
        self.assertEqual(self.boxes(run), ["No RedirectURL specified"])
        self.assertEqual(self.scene.record_lines(), [])
        self.assertNotIn("frame closed by the plug-in", run.lines)
        self.assertIn("run ended: the run time is over", run.lines)


if __name__ == "__main__":
    main()
