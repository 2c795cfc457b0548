"""A fault inside the plug-in: an unreadable window record makes NPP_SetWindow fail
with 1 instead of taking the browser down, and the next, good record works."""

import unittest

from standin import PLUGIN_TYPE, PageTestCase, callback_answers, main


class BadWindowRecordTest(PageTestCase):
    def test_fault_is_caught_and_the_run_goes_on(self):
        run = self.run_page('<embed type="%s" RedirectURL="http://127.0.0.1:1/x">' % PLUGIN_TYPE,
                            "--bad-window-record")
        self.assertCompleted(run)
        self.assertEqual(callback_answers(run, "NPP_SetWindow"), [1, 0])
        self.assertTrue(run.matching(r"NPP_SetWindow record=0x00000010 \(unreadable\) -> 1$"))
        self.assertIn("run ended: the run time is over", run.lines)
        self.assertEqual(callback_answers(run, "NPP_Destroy"), [0])
        self.assertEqual(callback_answers(run, "NP_Shutdown"), [0])
        # The fault was logged; the log's memory goes back when the library shuts down.
        self.assertIn("allocation balance after NP_Shutdown: 0 bytes in 0 blocks", run.lines)


if __name__ == "__main__":
    main()
