"""The progress dialog and the worker as the browser sees them: one dialog and one worker
however often the window is given, a new dialog after the window was taken away, a
download that goes on without its dialog, the page's prompt, the templates and colours,
and leaving the page in the middle of a download."""

import os
import re

from run_scene import UNCHECKED_RELEASES, SceneTestCase, work_files
from standin import main, scaled


class DialogTest(SceneTestCase):
    def paced_page(self, pause_ms, *extra):
        """The sample release, its cabinet served slowly."""
        parameters = self.scene.release()
        paced = self.scene.base_url.replace("/files/", "/paced/%d/" % pause_ms)
        parameters = [(name, value.replace(self.scene.base_url, paced) if name == "File0" else value)
                      for name, value in parameters]
        return [("RedirectURL", self.scene.url("launch.oscf")), *parameters, *extra]

    def test_one_dialog_and_one_worker_for_five_windows(self):
        run = self.scene.run(self.paced_page(0, ("DownloadPrompt", "Fetching the client")), "--set-window-times", 5,
                             run_ms=scaled(2000))
        self.assertCompleted(run)
        self.assertEqual(len(run.matching(r"NPP_SetWindow window=")), 5)
        self.assertEqual(len(run.matching(r"dialog created ")), 1)
        self.assertEqual(self.scene.requested().count("launch.oscf"), 1)
        self.assertIn('dialog text "Fetching the client"', run.lines)
        # As the system shows it: the dialog with its 3-D look added, the bar's border
        # turned into an edge of its own.
        self.assertTrue(run.matching(r'dialog style=0x4000004C exstyle=0x00010000 .*font="MS Shell Dlg" '
                                     r'text-style=0x50020000 bar-style=0x50000001'))
        self.assertIn("dialog colours background=0xFFFFFF text=0x000000 bar-background=0xFFFFFF", run.lines)

    def test_a_slow_download_moves_the_bar_as_it_comes(self):
        # The cabinet (390 KiB of the packages' 700) comes 16 KiB at a time with a pause
        # of 200 ms before each piece, about 5 s in all: the bar follows the pieces, where
        # reads of 256 KiB held it still until a quarter of a mebibyte had come (three steps
        # in all). The pause is not stretched in the emulated machine: it is the link's.
        run = self.scene.run(self.paced_page(200), run_ms=scaled(9000))
        self.assertCompleted(run)
        self.assertIn("client.zip", self.scene.requested())
        progress = [int(m.group(1)) for m in run.matching(r"progress (\d+)%$")]
        self.assertGreaterEqual(len({p for p in progress if 0 < p < 100}), 12, progress)

    def test_window_taken_away_and_given_again_during_a_download(self):
        run = self.scene.run(self.paced_page(150), "--null-window-at", 1500, "--window-again-at", 2500,
                             run_ms=scaled(6000))
        self.assertCompleted(run)
        self.assertEqual(len(run.matching(r"dialog created ")), 2)
        taken_down = run.index("NPP_Destroy -> 0")
        self.assertEqual(len([l for l in run.lines[:taken_down] if l.startswith("dialog gone ")]), 1)
        self.assertEqual(self.scene.requested().count("launch.oscf"), 1)
        # The download went on to its end without a dialog: the package was unpacked.
        self.assertIn("client.zip", self.scene.requested())

    def test_leaving_the_page_during_a_download_cancels_it(self):
        run = self.scene.run(self.paced_page(scaled(100)), run_ms=scaled(1000))
        self.assertCompleted(run)
        self.assertIn("run ended: the run time is over", run.lines)
        requested = self.scene.requested()
        self.assertIn("client.cab", requested)
        self.assertNotIn("client.zip", requested)
        # The download stops at once; the fixed pause after the worker's end follows.
        took = int(run.matching(r"NPP_Destroy took (\d+) ms")[0].group(1))
        self.assertLess(took, 2000 + scaled(1000))
        self.assertEqual(run.log.count("The run was cancelled: the page was left before it ended."), 1, run.log)
        self.assertFalse([line for line in run.log if "failed" in line], run.log)
        self.assertEqual(work_files("client.cab"), [])
        self.assertFalse(self.boxes(run))
        # The configuration file's own run of the bar, then the package's from 0 up, which
        # the page left before its end.
        progress = [int(m.group(1)) for m in run.matching(r"progress (\d+)%$")]
        packages = progress[len(progress) - 1 - progress[::-1].index(0):]
        self.assertEqual(packages, sorted(packages))
        self.assertLess(packages[-1], 100)

    def test_a_file_of_unknown_size_does_not_hold_the_bar_of_the_others(self):
        # A negative FileSize means "unknown": it counts nothing in the bar's total, which
        # the cabinet's size makes; the bar moves while the cabinet comes (16 KiB at a
        # time, 20 ms apart), before it is shown full at the end.
        page = [(name, "-1000000000" if name == "FileSize1" else value) for name, value in self.paced_page(20)]
        run = self.scene.run([*page, ("LaunchClient", "false")])
        self.assertCompleted(run)
        self.assertIn("run ended: the page was replaced", run.lines)
        progress = [int(m.group(1)) for m in run.matching(r"progress (\d+)%$")]
        packages = progress[len(progress) - 1 - progress[::-1].index(0):]
        self.assertEqual(packages[-1], 100, progress)
        self.assertTrue([p for p in packages if 0 < p < 100], progress)

    def test_leaving_the_page_during_the_install_run_waits_for_it_and_starts_no_client(self):
        install_ms = scaled(6000)
        os.environ["OSTREL_SAMPLE_INSTALL_MS"] = str(install_ms)
        try:
            run = self.scene.run([("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(),
                                  ("InstallMode", "true")], run_ms=scaled(3000))
        finally:
            del os.environ["OSTREL_SAMPLE_INSTALL_MS"]
        self.assertCompleted(run)
        record = self.scene.record_lines()
        self.assertIn("updater: install waits %d ms" % install_ms, record)
        # The updater owns the client's files while it runs: the teardown waited for it.
        self.assertIn("updater: exit 0", record)
        took = int(run.matching(r"NPP_Destroy took (\d+) ms")[0].group(1))
        self.assertGreater(took, install_ms - scaled(3000))
        self.assertEqual(len([line for line in record if line.startswith("updater: command line")]), 1, record)
        self.assertEqual([line for line in record if line.startswith("client:")], [])
        self.assertEqual(run.log, [UNCHECKED_RELEASES, "The run was cancelled: the page was left before it ended."])


if __name__ == "__main__":
    main()
