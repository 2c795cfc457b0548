"""The real plug-in's uploads, from whole runs in the browser stand-in, taken by the real
receiver and read from its store: a run that installed and launched the client, a failed
download, a release the keyed plug-in refused, and a fault in a method, each read as
that outcome; every field of the report read from a real upload.

    test_real_uploads.py BUILD_DIR"""

import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[3] / "tests" / "integration"))
from run_scene import RUN_MS, SceneTestCase  # noqa: E402
from standin import BIN, main, windows_path  # noqa: E402

import receiver_path  # noqa: E402,F401
from receiver_process import Receiver, sqlite_url  # noqa: E402

from log_receiver.store_url import open_store  # noqa: E402

SIGNED_DLL = ("--dll", windows_path(BIN / "signed" / "NPOstrelUpdater.dll"))
STANDIN_USER_AGENT = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.12) Gecko/20070508 Firefox/1.5.0.12"


class RealUploadTest(SceneTestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="receiver-")
        cls.store_url = sqlite_url(cls.folder.name)
        cls.receiver = Receiver(cls.store_url).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.receiver.__exit__(None, None, None)
        cls.folder.cleanup()

    def receiver_url(self):
        return "http://127.0.0.1:%d/real/%s" % (self.receiver.port, self.scene.name)

    def run_page(self, parameters, *args, run_ms=RUN_MS):
        """Runs the page, its log sent to the receiver; the uploads stored for it, in order."""
        run = self.scene.run([*parameters, ("InstallLogURL", self.receiver_url())], *args, run_ms=run_ms)
        self.assertCompleted(run)
        store = open_store(self.store_url, create=False)
        path = "/real/" + self.scene.name
        uploads = [upload for upload in store.uploads_in_order(0, 1000) if upload["path"] == path]
        store.close()
        self.assertTrue(uploads, "nothing was received")
        return uploads

    def test_a_launched_run_is_read_as_succeeded_with_every_field_of_its_report(self):
        [upload] = self.run_page([("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(),
                                  ("InstallMode", "true"), ("CloseWindow", "")])
        self.assertIn("client: startup event signalled", self.scene.record_lines())
        self.assertEqual((upload["outcome"], upload["step"], upload["complete"]), ("succeeded", "launch", 1))
        # Wine plays Windows 7 (6.1), which the report names with the XP family's name.
        self.assertEqual((upload["platform"], upload["service_pack"], upload["system"]),
                         ("Windows XP", "Service Pack 1", "Windows XP 6.1, Service Pack 1"))
        self.assertRegex(upload["os_version"], r"^6\.1\.\d+$")
        self.assertEqual((upload["client_dir"], upload["client_found"]), (windows_path(self.scene.install_dir), 1))
        self.assertEqual(upload["plugin_version"], "7.5.1.1")
        self.assertEqual((upload["language_id"], upload["locale_id"], upload["locale_name"], upload["language_name"],
                          upload["country_name"]), ("1033", "1033", "en-US", "English", "United States"))
        self.assertEqual((upload["user_agent"], upload["browser"], upload["accept_language"]),
                         (STANDIN_USER_AGENT, "Firefox 1.5", "en-us"))
        self.assertEqual((upload["protocol"], upload["content_type"]), ("HTTP/1.0", "text/html; charset=utf-8"))

    def test_a_failed_download_is_read_with_its_rc(self):
        config = self.scene.serve("launch.oscf", "smartclient.configURL=%s\r\n"
                                  % self.scene.serve("packages.properties", "updaterFiles=0\n"))
        [upload] = self.run_page([("RedirectURL", config), ("NumFiles", "1"), ("File0", self.scene.url("none.cab;")),
                                  ("FileSize0", "10"), ("CloseWindow", "")])
        self.assertEqual((upload["outcome"], upload["step"], upload["detail"], upload["client_found"]),
                         ("failed download", "download", "rc 6", 0))

    def test_a_release_the_keyed_plugin_refuses_is_read_with_its_reason(self):
        page = [("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(), ("InstallMode", "true"),
                ("CloseWindow", "")]
        [upload] = self.run_page(page, *SIGNED_DLL)
        self.assertEqual((upload["outcome"], upload["step"], upload["cause"]),
                         ("refused release", "update", "the manifest could not be had: \u2026"))
        self.assertEqual(upload["detail"], "the manifest could not be had: " + self.scene.url(
            "packages.properties.manifest"))

    def test_a_fault_is_read_with_the_methods_name(self):
        fault, rest = self.run_page([("CloseWindow", "")], "--bad-window-record")
        self.assertEqual((fault["outcome"], fault["detail"], fault["cause"]),
                         ("fault", "CMyPlugin::SetWindow(), exception 3221225477", "CMyPlugin::SetWindow()"))
        self.assertNotEqual(rest["outcome"], "fault")


if __name__ == "__main__":
    main()
