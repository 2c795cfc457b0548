"""The install log as the page's receiver gets it from the real plug-in: the machine
report line by line under the Windows versions Wine can play, the request that carries
it, a receiver over HTTPS, a fault sent at once, a receiver that never answers and one
that answers without end."""

import re

from run_scene import UNCHECKED_RELEASES, Scene, SceneTestCase, reg, set_install_dir
from standin import PLUGIN_DLL, main, scaled, windows_path

APP_DEFAULTS = "HKCU\\Software\\Wine\\AppDefaults\\browser_standin.exe"
USER_AGENT = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.12) Gecko/20070508 Firefox/1.5.0.12"
LOCALE_LABELS = ["LOCALE_IDEFAULTANSICODEPAGE: ", "LOCALE_IDEFAULTCODEPAGE: ", "LOCALE_IDEFAULTCOUNTRY: ",
                 "LOCALE_IDEFAULTLANGUAGE: ", "LOCALE_ILANGUAGE: ", "LOCALE_SABBREVCTRYNAME: ",
                 "LOCALE_SABBREVLANGNAME: ", "LOCALE_SENGCOUNTRY: ", "LOCALE_SENGLANGUAGE: ",
                 "LOCALE_SISO3166CTRYNAME: ", "LOCALE_SISO639LANGNAME : "]
SEPARATOR = "-" * 80


class Report:
    """A received body cut into its report lines, the log's lines and the ending."""

    def __init__(self, test, body):
        text = body.decode("utf-8")
        test.assertTrue(text.endswith("\r\n\r\n" + SEPARATOR + "\r\n"), text[-200:])
        lines = text[: -len("\r\n" + SEPARATOR + "\r\n")].split("\r\n")
        title = "-" * 21 + " Log of NPOstrelUpdater.dll Messages " + "-" * 22
        test.assertIn(title, lines)
        self.lines = lines[: lines.index(title) + 1]
        self.log = lines[lines.index(title) + 1 : -1]
        self.cursor = 0
        self.test = test

    def next(self, expected):
        """The next report line: equal to a text, or matching a compiled pattern."""
        line = self.lines[self.cursor]
        self.cursor += 1
        if isinstance(expected, str):
            self.test.assertEqual(line, expected)
        else:
            self.test.assertRegex(line, expected)
        return line


class LogUploadTest(SceneTestCase):
    def run_page(self, receiver, *args, run_ms=2000):
        return self.scene.run([("InstallLogURL", receiver)], *args, run_ms=run_ms)

    def test_the_report_line_by_line_under_each_windows_version(self):
        # Windows 98 is refused before the run logs anything, and an empty log is never
        # sent: a file count out of range gives every version a line from the start.
        versions = {"winxp": ("Windows XP", r"5\.1\.\d+"), "win2k": ("Windows 2000", r"5\.0\.\d+"),
                    "win98": ("Windows 98", r"4\.10\.\d+"), "winme": ("Windows 98", r"4\.90\.\d+")}
        try:
            for version, (platform, number) in versions.items():
                with self.subTest(version=version):
                    reg("add", APP_DEFAULTS, "/v", "Version", "/d", version, "/f")
                    self.scene.name += "-" + version
                    run = self.scene.run([("InstallLogURL", self.scene.log_receiver()), ("NumFiles", "100000")],
                                         run_ms=2000)
                    self.assertCompleted(run)
                    reports = [Report(self, body) for _, _, body in self.scene.received_logs()]
                    self.assertEqual(len(reports), 1)
                    self.check_report(reports[0], platform, number)
                    self.assertEqual(reports[0].log[0], "NumFiles is out of range, no file is read: 100000")
                    self.assertEqual(reports[0].log, run.log)
        finally:
            reg("delete", APP_DEFAULTS, "/v", "Version", "/f")

    def check_report(self, report, platform, number):
        report.next("")
        report.next("-" * 29 + " NPOstrelUpdater.dll " + "-" * 30)
        report.next("Operating System Information")
        report.next("  Platform: " + platform)
        report.next(re.compile("  Version: " + number + "  .*$"))
        report.next("Client installation directory: An installation could not be found.")
        report.next(re.compile(r"Temporary directory: C:\\.+\\$"))
        report.next(re.compile(r"Windows directory: C:\\windows$"))
        report.next(re.compile(r"Windows system directory: C:\\windows\\system(32)?$"))
        report.next("Downloader location: " + windows_path(PLUGIN_DLL))
        for line in ["NPOstrelUpdater.dll Information", "  NPOstrelUpdater.dll version: 7.5.1.1",
                     "  FileDescription: Ostrel Updater Plugin: 7,5,1,1", "  FileVersion: 7,5,1,1",
                     "  InternalName: OSTRELONE", "  OriginalFilename: NPOstrelUpdater.dll",
                     "  ProductName: Ostrel Updater Plugin", "  ProductVersion: 7,5,1,1", "Locale Information",
                     "  Language ID: 1033", "  Locale Identifier: 1033"]:
            report.next(line)
        for label in LOCALE_LABELS:
            report.next(re.compile("  " + re.escape(label) + ".+$"))
        report.next("  User Agent: >" + USER_AGENT + "<")
        report.next("  Accept language header: >Accept-Language: en-us<")
        report.next("-" * 21 + " Log of NPOstrelUpdater.dll Messages " + "-" * 22)

    def test_an_install_dir_of_259_characters_is_read_whole(self):
        # The longest path a Windows buffer holds; no installation fits under it.
        folder = "C:\\" + "\\".join(["d" * 63] * 3 + ["d" * 64])
        self.assertEqual(len(folder), 259)
        set_install_dir("HKCU", folder)
        run = self.scene.run([("InstallLogURL", self.scene.log_receiver()), ("NumFiles", "100000")], run_ms=2000)
        self.assertCompleted(run)
        [report] = [Report(self, body) for _, _, body in self.scene.received_logs()]
        self.assertIn("Client installation directory: " + folder, report.lines)

    def test_the_request_carries_utf8_with_its_byte_length_and_the_headers_in_order(self):
        # The page's URL reaches the log as its bytes stand, each taken as a character of
        # the system code page: in UTF-8 every one of them takes two bytes or more.
        missing = self.scene.url("gr\u00fc\u00dfe.oscf")
        run = self.scene.run([("RedirectURL", missing), ("InstallLogURL", self.scene.log_receiver())], run_ms=2000)
        self.assertCompleted(run)
        [(request_line, headers, body)] = self.scene.received_logs()
        self.assertEqual(request_line, "POST /logs/%s HTTP/1.0" % self.scene.name)
        names = [name for name, _ in headers]
        extra = ["Accept-Language", "Connection", "Content-Type", "Content-Length"]
        self.assertEqual([name for name in names if name in extra], extra)
        values = dict(headers)
        self.assertEqual(values["Accept-Language"], "en-us")
        self.assertEqual(values["Connection"], "Keep-Alive")
        self.assertEqual(values["Content-Type"], "text/html; charset=utf-8")
        self.assertEqual(int(values["Content-Length"]), len(body))
        logged = "DownloadFile failed to open URL: " + missing.encode("utf-8").decode("cp1252")
        self.assertIn(("\r\n" + logged + "\r\n").encode("utf-8"), body)
        self.assertGreater(len(body), len(body.decode("utf-8")))

    def test_an_https_receiver_gets_the_log_under_the_test_authority(self):
        run = self.run_page(self.scene.log_receiver(scheme="https"), "--trust-certificate",
                            windows_path(self.scene.info["ca_der"]))
        self.assertCompleted(run)
        self.assertEqual(len(self.scene.received_logs()), 1)

    def test_a_fault_in_a_method_is_sent_at_once_and_the_rest_at_teardown(self):
        run = self.run_page(self.scene.log_receiver(), "--bad-window-record")
        self.assertCompleted(run)
        fault = ["pluginExceptionHandler() was called!",
                 "Exception caught in CMyPlugin::SetWindow().  Exception number: 3221225477"]
        [first, last] = [Report(self, body).log for _, _, body in self.scene.received_logs()]
        self.assertEqual(first[-2:], fault)
        self.assertNotIn(fault[1], last)
        self.assertEqual(first + last, run.log)

    def test_a_fault_with_a_receiver_that_answers_late_holds_the_browser_briefly_and_goes_once(self):
        # The receiver reads each body whole and answers after the upload's 5 s receive
        # timeout: the fault's lines have arrived all the same, and go with no other upload.
        run = self.run_page(self.scene.log_receiver("?delay=5500"), "--bad-window-record")
        self.assertCompleted(run)
        took = int(run.matching(r"NPP_SetWindow took (\d+) ms$")[0].group(1))
        self.assertLess(took, scaled(1000))
        fault = "Exception caught in CMyPlugin::SetWindow().  Exception number: 3221225477"
        logs = [Report(self, body).log for _, _, body in self.scene.received_logs()]
        self.assertEqual(len(logs), 2)
        self.assertEqual([log.count(fault) for log in logs], [1, 0])
        self.assertEqual(logs[0] + logs[1], run.log)

    def test_two_sites_on_one_page_each_get_their_own_lines_only(self):
        # Site A's configuration URL carries a token; site B's receiver must never see it.
        other = Scene("site-b")
        try:
            secret = "token=SECRET-A-7731"
            missing_a = self.scene.url("a-config.oscf?" + secret)
            missing_b = other.url("b-config.oscf")
            run = self.scene.run([("RedirectURL", missing_a), ("InstallLogURL", self.scene.log_receiver())],
                                 run_ms=scaled(3000),
                                 more_embeds=[[("RedirectURL", missing_b), ("InstallLogURL", other.log_receiver())]])
            self.assertCompleted(run)
            [log_a] = [Report(self, body).log for _, _, body in self.scene.received_logs()]
            [(_, _, body_b)] = other.received_logs()
        finally:
            other.remove()
        opened = "DownloadFile failed to open URL: "
        self.assertIn(opened + missing_a, log_a)
        self.assertNotIn(opened + missing_b, log_a)
        self.assertNotIn(b"SECRET-A", body_b)
        self.assertIn(opened + missing_b, Report(self, body_b).log)
        self.assertEqual(Report(self, body_b).log.count(UNCHECKED_RELEASES), 1)

    def test_a_receiver_that_never_answers_holds_the_browser_for_one_timeout_at_most(self):
        run = self.run_page(self.scene.log_receiver("?delay=30000"))
        self.assertCompleted(run)
        [took] = [int(m.group(1)) for m in run.matching(r"NPP_Destroy took (\d+) ms$")]
        plain = self.run_page(self.scene.log_receiver())
        [usual] = [int(m.group(1)) for m in plain.matching(r"NPP_Destroy took (\d+) ms$")]
        self.assertLess(took - usual, 7000)
        self.assertGreater(took - usual, 3000)

    def test_a_receiver_that_answers_without_end_holds_the_browser_for_the_upload_bound_at_most(self):
        # Its answer comes faster than it is read and is never silent: no timeout ends it.
        run = self.run_page(self.scene.log_receiver("?endless=0"))
        self.assertCompleted(run)
        [took] = [int(m.group(1)) for m in run.matching(r"NPP_Destroy took (\d+) ms$")]
        # The pause after the worker, then the upload's bound.
        self.assertLess(took, 2000 + 10000 + scaled(2000))
        [(_, headers, body)] = self.scene.received_logs()
        self.assertEqual(int(dict(headers)["Content-Length"]), len(body))
        self.assertEqual(Report(self, body).log, run.log)


if __name__ == "__main__":
    main()
