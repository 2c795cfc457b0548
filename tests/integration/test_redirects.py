"""Redirects of a package's URL with the real plug-in in the stand-in: the sign-on cookie
goes to the page's own address alone, a redirect that leaves https or the web is refused,
and each redirect followed or refused is logged by its host."""

import json
import urllib.parse

from run_scene import SceneTestCase, work_files
from standin import main, windows_path

TOKEN = "sign-on-token-5150"


class RedirectTest(SceneTestCase):
    def redirected_page(self, server, target, *extra):
        """The sample release, its cabinet's URL on server answered with a redirect to target."""
        query = urllib.parse.quote("status=302&location=" + target, safe="")
        first = "%s/as/%s/%s/client.cab;" % (server, query, self.scene.name)
        parameters = [(name, first if name == "File0" else value) for name, value in self.scene.release()]
        return [("RedirectURL", self.scene.url("launch.oscf")), *parameters, *extra]

    def requests_for(self, name):
        """The requests the fixture server saw for this scene's file of that name, oldest
        first, whatever their route."""
        ending = "/%s/%s" % (self.scene.name, name)
        with open(self.scene.info["request_log"]) as log:
            return [entry for entry in map(json.loads, log) if entry["path"].endswith(ending)]

    def test_the_cookie_goes_to_the_pages_address_only(self):
        port = self.scene.info["http_port"]
        # The same server under another host name: a cookie set for 127.0.0.1 does not reach it.
        target = "http://localhost:%s/files/%s/client.cab" % (port, self.scene.name)
        # The launch finds no installation: the run ends with its box.
        run = self.scene.run(self.redirected_page("http://127.0.0.1:%s" % port, target,
                                                  ("SiteMinderHeader", TOKEN)), "--end-after-boxes", 1)
        self.assertCompleted(run)
        first = [entry for entry in self.requests_for("client.cab") if entry["path"].startswith("/as/")]
        moved = [entry for entry in self.requests_for("client.cab") if entry["path"].startswith("/files/")]
        self.assertEqual(len(first), 1)
        self.assertEqual(len(moved), 1)
        self.assertIn("SMSESSION=" + TOKEN, first[0]["headers"].get("cookie", ""))
        self.assertNotIn("SMSESSION", moved[0]["headers"].get("cookie", ""))
        self.assertIn("Redirect (302) to host localhost", run.log)
        # The package came whole through the redirect and the update went on to the launch.
        self.assertEqual(len(work_files("client.exe")), 1)

    def test_a_redirect_from_https_to_http_is_refused(self):
        info = self.scene.info
        target = "http://127.0.0.1:%s/files/%s/downgraded-client.cab" % (info["http_port"], self.scene.name)
        run = self.scene.run(self.redirected_page("https://localhost:%s" % info["https_port"], target,
                                                  ("CloseWindow", "")),
                             "--trust-certificate", windows_path(info["ca_der"]))
        self.assertCompleted(run)
        self.assertIn("Redirect refused: it leaves https (302) to host 127.0.0.1", run.log)
        self.assertIn("Unable to download client files.  rc: 6", run.log)
        boxes = self.boxes(run)
        self.assertTrue(boxes and boxes[0].endswith("(302)"), boxes)
        self.assertEqual(self.requests_for("downgraded-client.cab"), [])
        self.assertEqual(work_files("client.cab"), [])

    def test_a_redirect_off_the_web_is_refused_and_a_dead_target_says_why(self):
        server = "http://127.0.0.1:%s" % self.scene.info["http_port"]
        for target in ("file:///C:/windows/win.ini", "file://fileserver/share/client.cab"):
            with self.subTest(target):
                run = self.scene.run(self.redirected_page(server, target, ("CloseWindow", "")))
                self.assertCompleted(run)
                self.assertTrue([line for line in run.log
                                 if line.startswith("Redirect refused: it leaves http and https (302) to host")],
                                run.log)
                self.assertIn("Unable to download client files.  rc: 6", run.log)
                self.assertEqual(work_files("client.cab"), [])
        # A target nobody answers at: the open's own error is logged, not 0.
        run = self.scene.run(self.redirected_page(server, "http://127.0.0.1:9/client.cab", ("CloseWindow", "")))
        self.assertCompleted(run)
        self.assertIn("Redirect (302) to host 127.0.0.1", run.log)
        failures = [line for line in run.log if line.startswith("Number of URL open retries exceeded")]
        self.assertEqual(len(failures), 1, run.log)
        self.assertFalse(failures[0].endswith("lastError: 0"), failures)


if __name__ == "__main__":
    main()
