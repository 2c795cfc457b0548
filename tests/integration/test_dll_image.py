"""The plug-in DLL as a browser and a plain Windows installation see it: undecorated
exports, no compiler runtime DLLs, and the registration data in the version resource."""

import re
import subprocess
import unittest

from standin import BIN, PLUGIN_DLL, PROBE_DLL, main, run_standin, windows_path

# DLLs every Windows installation of the plug-in's era has.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll",
    "wininet.dll", "version.dll", "msvcrt.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "shlwapi.dll", "cabinet.dll", "ws2_32.dll", "crypt32.dll",
}


def objdump(path):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", str(path)], check=True,
                          capture_output=True, text=True).stdout


def exported_names(dump):
    section = dump.split("[Ordinal/Name Pointer] Table", 1)[1]
    return re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", section.split("\n\n", 1)[0], re.M)


def imported_dlls(dump):
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}


class ImageTest(unittest.TestCase):
    def test_exports_are_the_three_entry_points_undecorated(self):
        self.assertEqual(sorted(exported_names(objdump(PLUGIN_DLL))),
                         ["NP_GetEntryPoints", "NP_Initialize", "NP_Shutdown"])

    def test_programs_import_only_windows_system_dlls(self):
        for program in (PLUGIN_DLL, BIN / "browser_standin.exe", PROBE_DLL):
            with self.subTest(program=program.name):
                imports = imported_dlls(objdump(program))
                self.assertTrue(imports)
                self.assertLessEqual(imports, SYSTEM_DLLS)


class RegistrationTest(unittest.TestCase):
    EXPECTED_STRINGS = {
        "MIMEType": "application/x-ostrel-updater-plugin",
        "FileExtents": "*",
        "FileOpenName": "Ostrel Updater Plugin File",
        "ProductName": "Ostrel Updater Plugin",
        "FileDescription": "Ostrel Updater Plugin: 7,5,1,1",
        "FileVersion": "7,5,1,1",
        "ProductVersion": "7,5,1,1",
        "OriginalFilename": "NPOstrelUpdater.dll",
        "InternalName": "OSTRELONE",
    }

    @classmethod
    def setUpClass(cls):
        cls.run_ = run_standin("--dll", windows_path(PLUGIN_DLL), "--dll-info")

    def test_run_stops_after_the_registration(self):
        self.assertEqual(self.run_.code, 0, self.run_.output)
        self.assertEqual(self.run_.lines[-1], 'plug-in handles "application/x-ostrel-updater-plugin"')

    def test_string_table_holds_exactly_the_registration_strings(self):
        strings = self.run_.matching(r'version string (\w+) (\w+)="(.*)"$')
        self.assertEqual({m.group(1) for m in strings}, {"040904E4"})
        self.assertEqual({m.group(2): m.group(3) for m in strings}, self.EXPECTED_STRINGS)
        self.assertEqual(len(strings), len(self.EXPECTED_STRINGS))

    def test_translation_and_fixed_version(self):
        self.assertEqual(self.run_.matching(r"version resource translation=(.*)$")[0].group(1), "0409/04E4")
        self.assertEqual(len(self.run_.matching(r"version resource translation=")), 1)
        self.assertIn("version resource fixed file version=7.5.1.1 product version=7.5.1.1 "
                      "os=0x00000004 type=0x00000002", self.run_.lines)


if __name__ == "__main__":
    main()
