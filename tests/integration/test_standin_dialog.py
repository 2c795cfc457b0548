"""What the stand-in reports of the plug-in's progress dialog and how it hands the window
over, driven by the scripted probe plug-in: the dialog's lines in the order things
happened, its template and colours, several dialogs at once, repeated and withdrawn
windows, a plug-in window without parent, and how long the calls kept the browser."""

import re
import unittest

from standin import PROBE_DLL, PROBE_TYPE, PageTestCase, main, run_standin, windows_path

LONG_RUN_MS = 20000  # runs that end by the probe's closing; only a safety net
PAUSE = "wait 500"   # long enough for several of the watcher's looks
DIALOG_LINE = re.compile(r"(dialog |dialogs |progress )")
HANDLE = r"0x[0-9A-F]{8}"
WS_CHILD, WS_VISIBLE, WS_CAPTION, WS_BORDER, DS_SETFONT = 0x40000000, 0x10000000, 0x00C00000, 0x00800000, 0x40


def probe_page(*steps):
    return '<embed type="%s" %s>' % (PROBE_TYPE, " ".join('step="%s"' % s for s in steps))


class ProbeTestCase(PageTestCase):
    def run_probe(self, *steps, args=(), run_ms=LONG_RUN_MS):
        run = self.run_page(probe_page(*steps), "--dll", windows_path(PROBE_DLL), *args, run_ms=run_ms)
        self.assertCompleted(run)
        self.assertEqual(run.lines[-1], "FreeLibrary done")
        return run

    def dialog_lines(self, run):
        """The dialog watcher's lines, with window handles made alike."""
        return [re.sub(HANDLE, "HANDLE", l) for l in run.lines if DIALOG_LINE.match(l)]


class DialogTest(ProbeTestCase):
    def test_lines_follow_what_the_plugin_did_in_order(self):
        run = self.run_probe("dialog Fetching", PAUSE, "show", PAUSE, "progress 40", PAUSE, 'text Almost \\ there',
                             PAUSE, "progress 100", PAUSE, "hide", PAUSE, "parent", "close")
        lines = self.dialog_lines(run)
        self.assertEqual(lines[0], "dialog created HANDLE")
        self.assertTrue(lines[1].startswith("dialog style="), lines)
        self.assertTrue(lines[2].startswith("dialog colours "), lines)
        self.assertEqual(lines[3:], ['dialog text "Fetching"', "progress 0%", "dialog shown", "progress 40%",
                                     'dialog text "Almost \\\\ there"', "progress 100%", "dialog hidden",
                                     "dialog gone HANDLE"])
        # The dialog goes with the instance, not before.
        gone = run.matching(r"dialog gone %s$" % HANDLE)[0].group(0)
        self.assertGreater(run.index(gone), run.index("NPP_Destroy -> 0"))
        self.assertTrue([l for l in run.probe if re.match(r"parent %s$" % HANDLE, l)], run.probe)
        self.assertNotIn("parent 0x00000000", run.probe)

    def test_template_facts_and_colours_come_from_the_dialog(self):
        run = self.run_probe("dialog Fetching", PAUSE, "close")
        facts = run.matching(r'dialog style=(0x[0-9A-F]{8}) exstyle=(0x[0-9A-F]{8}) size=(\d+)x(\d+) '
                             r'font="MS Shell Dlg" text-style=0x5000000C bar-style=0x50000001$')
        self.assertEqual(len(facts), 1, run.output)
        style = int(facts[0].group(1), 16)
        self.assertEqual(style & (WS_CHILD | DS_SETFONT), WS_CHILD | DS_SETFONT)
        self.assertEqual(style & (WS_VISIBLE | WS_CAPTION | WS_BORDER), 0)
        self.assertGreater(int(facts[0].group(3)), 160)  # 160 dialog units, wider in pixels
        self.assertIn("dialog colours background=0x336699 text=0x112233 bar-background=0xAABBCC", run.lines)

    def test_second_dialog_is_counted_and_its_going_reported(self):
        run = self.run_probe("dialog One", PAUSE, "dialog Two", PAUSE, "undialog", PAUSE, "close")
        created = [m.group(1) for m in run.matching(r"dialog created (%s)$" % HANDLE)]
        self.assertEqual(len(created), 2)
        self.assertNotEqual(created[0], created[1])
        self.assertEqual(run.lines.count("dialogs in the plug-in window: 2"), 1)
        self.assertLess(run.index("dialog gone " + created[1]), run.index("run ended: the browser window was closed"))
        self.assertGreater(run.index("dialog gone " + created[0]), run.index("NPP_Destroy -> 0"))


class WindowOptionsTest(ProbeTestCase):
    def test_window_given_five_times_and_calls_timed(self):
        run = self.run_probe("notify http://127.0.0.1/a _blank", "awaitnotify 1", "close",
                             args=("--set-window-times", 5))
        self.assertEqual(len(run.matching(r"NPP_SetWindow window=%s 300x150 type=1 -> 0$" % HANDLE)), 5)
        self.assertEqual(run.probe.count("setwindow record"), 5)
        for call, times in (("NPP_New", 1), ("NPP_SetWindow", 5), ("NPP_URLNotify", 1), ("NPP_Destroy", 1)):
            self.assertEqual(len(run.matching(r"%s took \d+ ms$" % call)), times, call)
        took = next(i for i, l in enumerate(run.lines) if l.startswith("NPP_URLNotify took"))
        self.assertEqual(run.lines[took - 1], "NPP_URLNotify returned")

    def test_window_taken_away_and_given_again(self):
        run = self.run_probe(args=("--null-window-at", 300, "--window-again-at", 600), run_ms=1500)
        calls = [l for l in run.lines if l.startswith("NPP_SetWindow ") and " -> " in l]
        self.assertEqual(len(calls), 3, calls)
        self.assertEqual(calls[1], "NPP_SetWindow record=(null) -> 0")
        self.assertEqual(calls[0], calls[2])
        self.assertEqual([l for l in run.probe if l.startswith("setwindow")],
                         ["setwindow record", "setwindow null", "setwindow record"])

    def test_window_without_parent_has_nothing_to_close(self):
        run = self.run_probe("dialog Fetching", "show", PAUSE, "parent", "close", PAUSE,
                             args=("--no-parent",), run_ms=5000)
        self.assertIn("the plug-in window is a top-level window without parent", run.lines)
        self.assertIn("parent 0x00000000", run.probe)
        self.assertIn("the plug-in window was asked to close; it stays with the page", run.lines)
        self.assertNotIn("frame closed by the plug-in", run.lines)
        self.assertIn("run ended: the run time is over", run.lines)
        self.assertIn("dialog shown", run.lines)


class WindowUsageTest(unittest.TestCase):
    def test_window_options_that_cannot_work_are_usage_errors(self):
        for args in (("--set-window-times", "0", "p.html"), ("--window-again-at", "5", "p.html"),
                     ("--null-window-at", "500", "--window-again-at", "100", "p.html")):
            with self.subTest(args=args):
                run = run_standin(*args)
                self.assertEqual(run.code, 2)
                self.assertIn("usage: browser_standin", run.stderr)


if __name__ == "__main__":
    main()
