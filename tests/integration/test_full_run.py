"""A whole page in the stand-in: the plug-in loads, every callback answers 0, the
parameters reach NPP_New as written, and every block the plug-in allocated is back by
the end of the instance and of the library."""

import unittest

from standin import (PLUGIN_TYPE, SOURCE, FirefoxProfile, PageTestCase, callback_answers, embed_parameters,
                     main, quoted, run_standin, windows_path)

CALL_ORDER = ["NP_GetEntryPoints", "NP_Initialize", "NPP_New", "NPP_SetWindow", "NPP_Destroy", "NP_Shutdown"]


class FullRunTest(PageTestCase):
    def setUp(self):
        self.profile = FirefoxProfile().__enter__()

    def tearDown(self):
        self.profile.__exit__(None, None, None)

    def check_clean_run(self, run):
        self.assertCompleted(run)
        for callback in CALL_ORDER:
            self.assertEqual(callback_answers(run, callback), [0], callback)
        positions = [next(i for i, l in enumerate(run.lines) if l.startswith(c + " ")) for c in CALL_ORDER]
        self.assertEqual(positions, sorted(positions))
        # What the instance took is back after NPP_Destroy; the install log, the library's,
        # goes back at NP_Shutdown.
        self.assertIn("allocation balance after NP_Shutdown: 0 bytes in 0 blocks", run.lines)
        self.assertEqual(run.lines[-1], "FreeLibrary done")

    def test_sample_page_of_the_demo(self):
        run = run_standin("--run-ms", 300, windows_path(SOURCE / "tools" / "sample-page.html"))
        self.check_clean_run(run)
        self.assertIn("run ended: the run time is over", run.lines)
        self.assertIn(("\"RedirectURL\"", quoted("http://127.0.0.1:8080/conference/launch.oscf?meeting=4711&user=guest")),
                      embed_parameters(run))

    def test_parameters_reach_the_plugin_in_document_order(self):
        run = self.run_page(
            '<html><body><embed type="%s" width="200" height="40" RedirectURL="http://127.0.0.1:1/x" '
            'NumFiles=1 File0="a.cab" FileSize0="10" CloseWindow></body></html>' % PLUGIN_TYPE)
        self.check_clean_run(run)
        self.assertEqual(embed_parameters(run), [
            ('"type"', quoted(PLUGIN_TYPE)), ('"width"', '"200"'), ('"height"', '"40"'),
            ('"RedirectURL"', '"http://127.0.0.1:1/x"'), ('"NumFiles"', '"1"'), ('"File0"', '"a.cab"'),
            ('"FileSize0"', '"10"'), ('"CloseWindow"', '""')])
        self.assertIn("NPP_New mode=1 argc=8 -> 0", run.lines)
        self.assertTrue(run.matching(r"NPP_SetWindow window=0x[0-9A-F]{8} 200x40 type=1 -> 0$"))

    def test_embed_without_parameters_of_its_own(self):
        self.check_clean_run(self.run_page('<embed type="%s">' % PLUGIN_TYPE))


if __name__ == "__main__":
    main()
