"""The sample updater and client, which the demo and the whole-run tests install and
start, and the release that packs them: the archives hold what the package list says, an
install from the unpacked release copies the tree and registers it, the installed updater
starts the client, which signals its start, and a failed install leaves nothing behind."""

import filecmp
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

from standin import BUILD, SOURCE, WINE_RUN, main, windows_path

sys.path.insert(0, str(SOURCE / "tools" / "sample_client"))
import sample_release  # noqa: E402

CLIENT_KEY = r"HKCU\SOFTWARE\Ostrel Software, Inc.\Ostrel Client"
BASE_URL = "http://127.0.0.1:8/files/sample"


def wine(*args, **environment):
    return subprocess.run([str(WINE_RUN), *map(str, args)], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace", timeout=120, env=dict(os.environ, **environment))


def registered_folder():
    """InstallDir under the client's key, or None when the key or the value is missing."""
    query = wine("reg", "query", CLIENT_KEY, "/v", "InstallDir")
    found = re.search(r"InstallDir\s+REG_SZ\s+(.*?)\s*$", query.stdout, re.M) if query.returncode == 0 else None
    return found.group(1) if found else None


def forget_installation():
    wine("reg", "delete", CLIENT_KEY, "/f")


def unpack_release(release, work):
    """What the plug-in does with the release's archives: both unpacked into one folder."""
    subprocess.run(["gcab", "-x", "-C", str(work), str(release / "client.cab")], check=True)
    with zipfile.ZipFile(release / "client.zip") as archive:
        archive.extractall(work)


def source_version():
    """The version the sample programs' resources are built with, from the header."""
    header = (SOURCE / "tools" / "sample_client" / "sample_version.h").read_text()
    return re.search(r"#define SAMPLE_FILEVERSION ([\d,]+)", header).group(1)


def files_under(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if p.is_file())


class SampleClientTest(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="sample-client-"))
        self.record = self.folder / "record.txt"

    def tearDown(self):
        subprocess.run(["rm", "-rf", str(self.folder)], check=True)

    def forget_installation_around_test(self):
        """The key lives in the rig's prefix, which other tests share."""
        forget_installation()
        self.addCleanup(forget_installation)

    def release(self, name, updater_exit=None):
        """A release made into name/release and unpacked into name/work."""
        release, work = self.folder / name / "release", self.folder / name / "work"
        parameters = sample_release.make_release(release, BASE_URL, BUILD / "bin", updater_exit)
        work.mkdir()
        unpack_release(release, work)
        return release, work, parameters

    def run_updater(self, updater, *args, **environment):
        return wine(updater, *args, OSTREL_SAMPLE_RECORD=windows_path(self.record), **environment)

    def recorded(self):
        return self.record.read_text().splitlines() if self.record.exists() else []

    def wait_for_record(self, line, seconds=60):
        deadline = time.monotonic() + seconds
        while line not in self.recorded() and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertIn(line, self.recorded())

    def test_release_holds_what_its_package_list_and_parameters_say(self):
        release, work, parameters = self.release("plain")
        names = dict(parameters)
        self.assertEqual([n for n, _ in parameters],
                         ["NumFiles", "File0", "FileSize0", "FileSha2560", "File1", "FileSize1", "FileSha2561"])
        self.assertEqual(names["NumFiles"], "2")
        for i, archive in enumerate(["client.cab", "client.zip"]):
            self.assertEqual(names["File%d" % i], "%s/%s;" % (BASE_URL, archive))
            data = (release / archive).read_bytes()
            self.assertEqual(int(names["FileSize%d" % i]), len(data))
            self.assertEqual(names["FileSha256%d" % i], hashlib.sha256(data).hexdigest())

        listed = dict(line.split("=", 1) for line in (release / "packages.properties").read_text().splitlines()
                      if line and not line.startswith("#"))
        self.assertEqual(listed["updaterFiles"], "2")
        for n, archive in enumerate(["client.cab", "client.zip"]):
            self.assertEqual(listed["updaterFile.%d" % n], archive)
            self.assertEqual(listed["%s.files" % archive], "1")
            # The plug-in compares the listed version with the installed program's.
            self.assertTrue((work / listed["%s.element.0" % archive]).is_file(), archive)
        self.assertEqual(listed[".version.0"], source_version())
        self.assertEqual(files_under(work), ["bin/client.exe", "bin/updater.exe", "readme.txt"])
        programs = BUILD / "bin" / "sample_client"
        for program in ("updater.exe", "client.exe"):
            self.assertTrue(filecmp.cmp(work / "bin" / program, programs / program, shallow=False), program)

        # The plug-in ends configuration-file lines at CR LF only.
        configuration = (release / "launch.oscf").read_bytes()
        self.assertTrue(configuration.endswith(b"\r\n"))
        self.assertEqual(configuration.count(b"\n"), configuration.count(b"\r\n"))
        self.assertIn(b"smartclient.configURL=%s/packages.properties\r\n" % BASE_URL.encode(), configuration)
        self.assertIn(b"smartclient.release=%s\r\n" % source_version().encode(), configuration)

    def test_install_registers_a_copy_whose_updater_starts_the_client(self):
        self.forget_installation_around_test()
        release, work, _ = self.release("install")
        configuration = windows_path(release / "launch.oscf")
        target = self.folder / "Ostrel Client"  # a blank in the path: the start must quote it
        install = self.run_updater(work / "bin" / "updater.exe", "-install", configuration,
                                   OSTREL_SAMPLE_INSTALL_DIR=windows_path(target))
        self.assertEqual(install.returncode, 0, install.stderr)
        self.assertEqual(files_under(target), files_under(work))
        self.assertEqual(registered_folder(), windows_path(target))
        lines = self.recorded()
        self.assertEqual(len(lines), 3, lines)
        self.assertRegex(lines[0], r"^updater: command line .*updater\.exe.* -install .*launch\.oscf")
        self.assertEqual(lines[1:], ["updater: installed into " + windows_path(target), "updater: exit 0"])

        self.record.unlink()
        launch = self.run_updater(target / "bin" / "updater.exe", configuration, OSTREL_SAMPLE_CLIENT_MS="300")
        self.assertEqual(launch.returncode, 0, launch.stderr)
        self.wait_for_record("client: exit")
        lines = self.recorded()
        client_command = '"%s\\bin\\client.exe" "%s"' % (windows_path(target), configuration)
        self.assertIn("updater: starting client " + client_command, lines)
        self.assertIn("updater: exit 0", lines)
        self.assertEqual([l for l in lines if l.startswith("client: ")],
                         ["client: command line " + client_command, "client: window open",
                          "client: startup event signalled", "client: exit"])

    def test_failed_installs_copy_and_register_nothing(self):
        self.forget_installation_around_test()
        _, refusing, _ = self.release("refusing", updater_exit=7)
        run = self.run_updater(refusing / "bin" / "updater.exe", "-install", "Z:\\conf.oscf",
                               OSTREL_SAMPLE_INSTALL_DIR=windows_path(self.folder / "refused"))
        self.assertEqual(run.returncode, 7, run.stderr)
        self.assertFalse((self.folder / "refused").exists())
        self.assertEqual(self.recorded()[1:], ["updater: exit 7"])

        _, work, _ = self.release("blocked")
        (self.folder / "a-file").write_text("not a folder\n")
        blocked_targets = {"cannot make the folder": self.folder / "a-file" / "client",
                           "lies inside the tree": work / "installed"}
        for reason, target in blocked_targets.items():
            run = self.run_updater(work / "bin" / "updater.exe", "-install", "Z:\\conf.oscf",
                                   OSTREL_SAMPLE_INSTALL_DIR=windows_path(target))
            self.assertEqual(run.returncode, 4, reason)
            self.assertIn(reason, run.stderr)
            self.assertFalse(target.exists(), reason)
        self.assertIsNone(registered_folder())
        self.assertNotIn("installed into", self.record.read_text())


if __name__ == "__main__":
    main()
