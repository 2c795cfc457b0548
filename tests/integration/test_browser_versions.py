"""Browsers of other interface versions: one from before URL notification gets no
urlnotify callback, a later minor version does, and a new major version is refused."""

import unittest

from standin import PLUGIN_TYPE, PROBE_DLL, PROBE_TYPE, PageTestCase, callback_answers, main, windows_path

PAGE = '<embed type="%s" RedirectURL="http://127.0.0.1:1/x">' % PLUGIN_TYPE


class BrowserVersionTest(PageTestCase):
    def test_pre_notification_browser_leaves_urlnotify_unset(self):
        run = self.run_page(PAGE, "--npapi-version", "0x0008")
        self.assertCompleted(run)
        self.assertTrue(run.matching(r"browser table version=0x0008 size=60 "))
        self.assertIn("urlnotify slot: unset", run.lines)
        self.assertEqual(callback_answers(run, "NPP_Destroy"), [0])
        self.assertIn("allocation balance after NP_Shutdown: 0 bytes in 0 blocks", run.lines)

    def test_notifying_browsers_get_urlnotify(self):
        for version in ("0x0009", "0x000B", "11"):
            with self.subTest(version=version):
                run = self.run_page(PAGE, "--npapi-version", version)
                self.assertCompleted(run)
                self.assertTrue(run.matching(r"browser table version=0x000[9B] size=88 "))
                self.assertIn("urlnotify slot: set", run.lines)

    def test_new_major_version_is_refused_and_the_browser_stops_cleanly(self):
        run = self.run_page(PAGE, "--npapi-version", "0x0100")
        self.assertCompleted(run)
        self.assertEqual(callback_answers(run, "NP_Initialize"), [8])
        self.assertIn("urlnotify slot: unset", run.lines)
        self.assertFalse([l for l in run.lines if l.startswith(("NPP_", "NP_Shutdown"))])
        self.assertEqual(run.lines[-2:], ["FreeLibrary done", "allocation balance after FreeLibrary: 0 bytes in 0 blocks"])


class BrowserTableTest(PageTestCase):
    """What the plug-in finds in the browser's table, as the probe plug-in reports it."""

    def table_seen(self, *args):
        run = self.run_page('<embed type="%s">' % PROBE_TYPE, "--dll", windows_path(PROBE_DLL), *args, run_ms=100)
        self.assertCompleted(run)
        return [l for l in run.probe if l.startswith("browser table")]

    def test_table_ends_at_its_size(self):
        self.assertEqual(self.table_seen("--npapi-version", "0x0008"),
                         ["browser table size=60 geturlnotify absent forceredraw absent"])
        self.assertEqual(self.table_seen(), ["browser table size=88 geturlnotify present forceredraw present"])
        self.assertEqual(self.table_seen("--npapi-version", "0x0008", "--table-size", "88"),
                         ["browser table size=88 geturlnotify present forceredraw present"])
        self.assertEqual(self.table_seen("--table-size", "76"),
                         ["browser table size=76 geturlnotify present forceredraw absent"])


if __name__ == "__main__":
    main()
