"""The stand-in's answers to what a plug-in asks of its browser, driven by the scripted
probe plug-in: URL requests answered through urlnotify on the browser's thread, requests
that replace the page, the plug-in closing the browser window, message boxes and
authentication dialogs, and the allocation balance."""

import unittest

from standin import PROBE_DLL, PROBE_TYPE, PageTestCase, main, windows_path

LONG_RUN_MS = 20000  # runs here end by the probe's doing; this is only a safety net


def probe_page(*steps):
    return '<embed type="%s" %s>' % (PROBE_TYPE, " ".join('step="%s"' % s for s in steps))


class ProbeTestCase(PageTestCase):
    def run_probe(self, *steps, args=()):
        run = self.run_page(probe_page(*steps), "--dll", windows_path(PROBE_DLL), *args, run_ms=LONG_RUN_MS)
        self.assertCompleted(run)
        self.assertEqual(run.lines[-1], "FreeLibrary done")
        return run


class NotificationTest(ProbeTestCase):
    def test_request_is_answered_on_the_browser_thread_and_the_page_stays(self):
        run = self.run_probe("notify http://127.0.0.1/a _blank", "awaitnotify 1", "close")
        self.assertTrue(run.matching(r'GetURLNotify url="http://127.0.0.1/a" target="_blank" notifyData=0x'))
        self.assertIn('NPP_URLNotify url="http://127.0.0.1/a" target="_blank" reason=0', run.lines)
        self.assertIn("urlnotify url=http://127.0.0.1/a reason=0 data kept on the browser thread", run.probe)
        self.assertIn("run ended: the browser window was closed", run.lines)

    def test_stream_request_is_answered_with_a_network_error(self):
        run = self.run_probe("notify http://127.0.0.1/s", "awaitnotify 1", "close")
        self.assertIn('stream request not served: url="http://127.0.0.1/s" target=(null)', run.lines)
        self.assertIn("urlnotify url=http://127.0.0.1/s reason=1 data kept on the browser thread", run.probe)

    def test_request_into_the_page_replaces_it_after_the_notification(self):
        run = self.run_probe("notify http://127.0.0.1/b _top", "notify http://127.0.0.1/c _blank")
        notified = run.index('NPP_URLNotify url="http://127.0.0.1/b" target="_top" reason=0')
        replaced = run.index('page replaced by "http://127.0.0.1/b"')
        ended = run.index("run ended: the page was replaced")
        self.assertLess(notified, replaced)
        self.assertLess(replaced, ended)
        self.assertLess(ended, run.index("NPP_Destroy -> 0"))
        self.assertIn('request dropped with the page: url="http://127.0.0.1/c" target="_blank"', run.lines)
        self.assertFalse([l for l in run.probe if "http://127.0.0.1/c" in l and l.startswith("urlnotify")])

    def test_plain_request_into_the_page_replaces_it(self):
        run = self.run_probe("geturl http://127.0.0.1/d _self")
        self.assertIn('GetURL url="http://127.0.0.1/d" target="_self"', run.lines)
        self.assertIn("run ended: the page was replaced", run.lines)

    def test_frame_name_decides_which_named_target_replaces_the_page(self):
        run = self.run_probe("notify http://127.0.0.1/e content", args=("--frame-name", "content"))
        self.assertIn("run ended: the page was replaced", run.lines)
        run = self.run_probe("notify http://127.0.0.1/f other", "awaitnotify 1", "close",
                             args=("--frame-name", "content"))
        self.assertIn("urlnotify url=http://127.0.0.1/f reason=0 data kept on the browser thread", run.probe)
        self.assertIn("run ended: the browser window was closed", run.lines)


class WindowAndBoxTest(ProbeTestCase):
    def test_message_box_is_reported_and_answered_ok(self):
        run = self.run_probe("box Hello there", "close")
        self.assertIn('message box caption="Probe" text="Hello there" -> OK', run.lines)
        self.assertIn("box answered 1", run.probe)
        self.assertIn("frame closed by the plug-in", run.lines)

    def test_authentication_dialog_is_cancelled_unless_asked_otherwise(self):
        run = self.run_probe("login", "close")
        self.assertIn('authentication dialog caption="Sign in" -> Cancel', run.lines)
        self.assertIn("login answered 2", run.probe)
        run = self.run_probe("login", "close", args=("--auth-answer", "ok"))
        self.assertIn('authentication dialog caption="Sign in" -> OK', run.lines)
        self.assertIn("login answered 1", run.probe)


class AllocationTest(ProbeTestCase):
    def test_balance_counts_what_the_plugin_keeps_and_bad_frees_are_reported(self):
        run = self.run_probe("keep 100", "freetwice", "close")
        self.assertIn("allocation balance after NPP_Destroy: 100 bytes in 1 blocks", run.lines)
        self.assertIn("allocation balance after NP_Shutdown: 100 bytes in 1 blocks", run.lines)
        self.assertTrue(run.matching(r"NPN_MemFree of a block the browser never handed out \(or freed twice\): 0x"))


if __name__ == "__main__":
    main()
