"""How a run ends: a redirect with notification into the page's target (the closing after
it never holds up the browser's thread), no redirect for an empty URL, the window closing
after a failed run without the long wait, and no closing without a parent window or
without CloseWindow."""

import re

from run_scene import SceneTestCase, set_install_dir
from standin import main, scaled, windows_path


def took_ms(run, callback):
    return [int(m.group(1)) for m in run.matching(re.escape(callback) + r" took (\d+) ms$")]


class RedirectTest(SceneTestCase):
    def installed(self):
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))

    def test_redirect_into_the_target_then_closing_off_the_browsers_thread(self):
        self.installed()
        url = self.scene.serve("launch.oscf", "smartclient.configURL=none\r\n")
        run = self.scene.run([("RedirectURL", url), ("LaunchClient", "false"), ("TargetWindow", "conference"),
                              ("CloseWindow", "")])
        self.assertCompleted(run)
        self.assertTrue(run.matching(r'GetURLNotify url="%s" target="conference" notifyData=0x00000000$' % re.escape(url)))
        self.assertEqual(self.scene.record_lines(), [])
        # Nobody signals the startup event after a redirect: the closing waits its 20 s on
        # a thread of its own, while the browser's thread has long returned.
        self.assertLess(max(took_ms(run, "NPP_URLNotify")), 1000)
        self.assertIn("frame closed by the plug-in", run.lines)
        self.assertLess(run.index("NPP_URLNotify returned"), run.index("frame closed by the plug-in"))

    def test_redirect_goes_to_the_top_without_a_target(self):
        self.installed()
        url = self.scene.serve("launch.oscf", "x=1\r\n")
        run = self.scene.run([("RedirectURL", url), ("LaunchClient", "false")])
        self.assertCompleted(run)
        self.assertTrue(run.matching(r'GetURLNotify url="%s" target="_top"' % re.escape(url)))
        self.assertIn('page replaced by "%s"' % url, run.lines)

    def test_an_empty_redirect_url_neither_redirects_nor_starts_a_client(self):
        self.installed()
        run = self.scene.run([("RedirectURL", ""), ("LaunchClient", "false")], run_ms=scaled(2000))
        self.assertCompleted(run)
        self.assertEqual(run.matching(r"GetURL"), [])
        self.assertEqual(self.scene.record_lines(), [])
        self.assertEqual(self.boxes(run), [])


class ClosingTest(SceneTestCase):
    def failing_page(self, *extra):
        # No configuration file: the install path fails at once.
        return [("NumFiles", "1"), ("File0", self.scene.url("none.cab;")), ("FileSize0", "10"), *extra]

    def test_a_failed_run_closes_the_window_without_the_long_wait(self):
        # The page stays open 15 s at the most: a closing that waited for the client's
        # 20 s would come too late.
        run = self.scene.run(self.failing_page(("CloseWindow", "")), run_ms=15000)
        self.assertCompleted(run)
        self.assertIn("frame closed by the plug-in", run.lines)
        self.assertIn("run ended: the browser window was closed", run.lines)

    def test_no_closing_without_a_parent_window_or_without_close_window(self):
        for args, extra in ((("--no-parent",), [("CloseWindow", "")]), ((), [])):
            run = self.scene.run(self.failing_page(*extra), *args, run_ms=scaled(4000))
            self.assertCompleted(run)
            self.assertNotIn("frame closed by the plug-in", run.lines)
            self.assertIn("run ended: the run time is over", run.lines)


if __name__ == "__main__":
    main()
