"""The receiver's reading rules against the plug-in's own texts: every line a rule
names, every refusal reason and report label is one the plug-in's sources write, and the
logs of typical runs, made of those texts, read as the outcome, step and cause an
operator should see."""

import unittest

import receiver_path  # noqa: F401
from log_receiver.outcome_rules import REFUSAL_REASONS, RULES, UNSUPPORTED_PLATFORMS, read_outcome
from log_receiver.report_fields import LABELS, NO_INSTALLATION
from product_texts import ProductTexts
from sample_bodies import RunLogs


class ProductTextsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.texts = ProductTexts()

    def test_every_rule_and_reason_names_a_line_the_plugin_writes(self):
        for template in [rule.template for rule in RULES] + list(REFUSAL_REASONS):
            with self.subTest(template=template.text):
                self.assertTrue(self.texts.writes(template.text), "no such line in the plug-in's sources")

    def test_every_report_label_and_refused_platform_is_the_plugins(self):
        # The locale labels are written after two blanks of their own.
        for label in list(LABELS) + [NO_INSTALLATION, *UNSUPPORTED_PLATFORMS]:
            with self.subTest(label=label):
                self.assertTrue(self.texts.has(label) or self.texts.has(label[2:]), label)


class RunOutcomeTest(unittest.TestCase):
    def test_logs_of_typical_runs_read_as_their_outcome_step_and_cause(self):
        logs = RunLogs()
        line = logs.line
        download_fault = logs.unchecked_update() + logs.fault("CMyPlugin::DownloadFiles()") + [
            line("Unable to download client files.  rc: ", "7")]
        cases = [
            ("unchecked install", logs.unchecked_update(), None, ("succeeded", "launch", "", "")),
            ("keyed install", logs.signed_install(), None, ("succeeded", "launch", "", "")),
            ("failed download", logs.failed_download(rc="6"), None, ("failed download", "download", "rc 6", "rc 6")),
            ("refused release", logs.refused_release("http://h/p.manifest"), None,
             ("refused release", "update", "the manifest could not be had: http://h/p.manifest",
              "the manifest could not be had: \u2026")),
            ("refused archive", [line("Release refused: ", "client.cab", " is not named in the manifest."),
                                 line("Unable to download client files.  rc: ", "14")], None,
             ("refused release", "update", "client.cab is not named in the manifest.",
              "\u2026 is not named in the manifest.")),
            ("failed unpack", logs.failed_unpack("C:\\T\\Ostrel_client_install\\client.cab"), None,
             ("failed unpack", "unpack", "C:\\T\\Ostrel_client_install\\client.cab", "could not unpack client.cab")),
            ("updater failed", logs.updater_failed(), None, ("updater failed", "install", "",
                                                            'Unable to call "updater.exe -install".')),
            ("fault in the update", download_fault, None,
             ("fault", "download", "CMyPlugin::DownloadFiles(), exception 3221225477", "CMyPlugin::DownloadFiles()")),
            ("cancelled", logs.cancelled(), None, ("cancelled", "update", "", logs.cancelled()[-1])),
            ("configuration lost at launch", logs.failed_download()[1:3], None,
             ("failed download", "download", "http://conference.example/client/client.cab",
              "a URL could not be opened")),
            ("no package list", logs.unchecked_update() + [line("downloadPackageList failed to open URL: ", "h/l")],
             None, ("failed download", "download", "the package list: h/l", "the package list could not be had")),
            ("no update", [line("getNSUserPrefsPath() could not find the Firefox installation!")], None,
             ("no update", "report", "", "")),
            ("refused system", [line("NumFiles is out of range, no file is read: ", "100000")], "Windows 98",
             ("unsupported system", "report", "Windows 98", "Windows 98")),
        ]
        for name, log, platform, expected in cases:
            with self.subTest(run=name):
                self.assertEqual(tuple(read_outcome(log, platform)), expected)


if __name__ == "__main__":
    unittest.main(verbosity=2)
