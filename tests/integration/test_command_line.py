"""The stand-in's refusals before any plug-in code runs: usage errors, and DLLs that do
not load, lack the exports or lack the registration data."""

import unittest

from standin import PLUGIN_TYPE, PageTestCase, main, run_standin

PAGE = '<embed type="%s">' % PLUGIN_TYPE


class UsageTest(unittest.TestCase):
    def test_usage_errors_exit_2_with_the_usage_text(self):
        for args in ((), ("--run-ms",), ("--run-ms", "-1", "p.html"), ("--npapi-version", "0x10000", "p.html"),
                     ("--auth-answer", "maybe", "p.html"), ("--table-size", "2", "p.html"),
                     ("--no-such-option", "p.html"), ("a.html", "b.html")):
            with self.subTest(args=args):
                run = run_standin(*args)
                self.assertEqual(run.code, 2)
                self.assertIn("usage: browser_standin", run.stderr)
                self.assertEqual(run.lines, [])

    def test_help_prints_the_usage_text(self):
        run = run_standin("--help")
        self.assertEqual(run.code, 0)
        self.assertIn("usage: browser_standin [options] PAGE.html", run.output)


class LibraryTest(PageTestCase):
    def test_missing_dll(self):
        run = self.run_page(PAGE, "--dll", "Z:\\no\\such\\NPNothing.dll")
        self.assertEqual(run.code, 4)
        self.assertTrue(run.lines[-1].startswith('no version resource in "Z:\\\\no\\\\such\\\\NPNothing.dll"'))

    def test_dll_without_plugin_registration(self):
        # A system library has a version resource but no plug-in MIME type.
        run = self.run_page(PAGE, "--dll", "C:\\windows\\system32\\version.dll")
        self.assertEqual(run.code, 4)
        self.assertEqual(run.lines[-1], "no MIMEType in string table 040904E4: a browser would not use this DLL")


if __name__ == "__main__":
    main()
