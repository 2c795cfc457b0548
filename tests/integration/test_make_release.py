"""tools/make-release: a release folder made here (a cabinet and a zip of resource-only
DLLs with set versions) becomes a package list and embed parameters that the real plug-in
follows, fetching exactly the archive that brings a newer file; changed archives change
their size and digest, and inconsistent or unreadable releases are refused by name."""

import os
import struct
import subprocess
import tempfile
import zipfile
from pathlib import Path

import sys

from run_scene import BIN, SceneTestCase, windows_path
from sample_release import make_cabinet, make_zip
from standin import SOURCE, main

sys.path.insert(0, str(SOURCE / "tools" / "release"))
import make_release as release_tool  # noqa: E402

MAKE_RELEASE = SOURCE / "tools" / "make-release"
VERSIONED_DLLS = BIN / "download_versions" / "current"  # core.dll and ui.dll with version resources


def with_version(dll, version):
    """The DLL's bytes with its file version set to version (four numbers)."""
    data = bytearray((VERSIONED_DLLS / dll).read_bytes())
    key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    fixed = data.find(struct.pack("<I", 0xFEEF04BD), key)
    struct.pack_into("<II", data, fixed + 8, version[0] << 16 | version[1], version[2] << 16 | version[3])
    return bytes(data)


def make_release(*args):
    return subprocess.run([str(MAKE_RELEASE), *map(str, args)], capture_output=True, text=True)


def parameters_of(output):
    return [tuple(line.split("=", 1)) for line in output.splitlines()]


class MakeReleaseTest(SceneTestCase):
    def release(self, core_version, ui_version):
        folder = self.scene.files / "release"
        folder.mkdir(exist_ok=True)
        make_cabinet(folder / "core.cab", {"bin/core.dll": with_version("core.dll", core_version)})
        make_zip(folder / "ui.zip", {"bin/ui.dll": with_version("ui.dll", ui_version), "readme.txt": b"ui\n"})
        return folder

    def test_the_plugin_fetches_exactly_the_archive_that_brings_a_newer_file(self):
        folder = self.release((2, 0, 0, 5), (2, 0, 0, 5))
        made = make_release(folder, self.scene.base_url + "/release", "--configuration", "launch.oscf")
        self.assertEqual(made.returncode, 0, made.stderr)
        parameters = [(name, value.strip('"')) for name, value in parameters_of(made.stdout)]
        self.assertEqual([name for name, _ in parameters],
                         ["NumFiles", "File0", "FileSize0", "FileSha2560", "File1", "FileSize1", "FileSha2561"])
        self.assertEqual(dict(parameters)["FileSize0"], str((folder / "core.cab").stat().st_size))
        self.assertEqual((folder / "embed.txt").read_text(), made.stdout)

        # Installed: core.dll older than the release's, ui.dll as new.
        installed = Path(tempfile.mkdtemp(prefix="installed-"))
        (installed / "core.dll").write_bytes(with_version("core.dll", (2, 0, 0, 1)))
        (installed / "ui.dll").write_bytes(with_version("ui.dll", (2, 0, 0, 5)))
        os.environ["WINEPATH"] = windows_path(installed)
        try:
            run = self.scene.run([("RedirectURL", self.scene.url("release/launch.oscf")), *parameters], run_ms=6000)
        finally:
            del os.environ["WINEPATH"]
        self.assertCompleted(run)
        self.assertEqual(self.scene.requested(),
                         ["release/launch.oscf", "release/packages.properties", "release/core.cab"])
        self.assertNotIn("Unable to download client files.", " ".join(run.log))

    def test_a_changed_archive_changes_its_size_and_digest(self):
        folder = self.release((2, 0, 0, 5), (2, 0, 0, 5))
        first = dict(parameters_of(make_release(folder, "http://server/release").stdout))
        make_cabinet(folder / "core.cab", {"bin/core.dll": with_version("core.dll", (2, 0, 0, 5)),
                                           "bin/extra.txt": b"one more file\n"})
        second = dict(parameters_of(make_release(folder, "http://server/release").stdout))
        self.assertNotEqual(first["FileSize0"], second["FileSize0"])
        self.assertNotEqual(first["FileSha2560"], second["FileSha2560"])
        self.assertEqual(first["FileSha2561"], second["FileSha2561"])

    def test_inconsistent_or_unreadable_releases_are_refused_by_name(self):
        folder = self.release((2, 0, 0, 5), (2, 0, 0, 7))
        # Element 0 of each set reads the one key ".version.0": the two sets disagree there.
        made = make_release(folder, "http://server/release")
        self.assertEqual(made.returncode, 1)
        self.assertIn("core.cab and ui.zip cannot share the version indexes", made.stderr)
        self.assertFalse((folder / "packages.properties").exists())
        allowed = make_release(folder, "http://server/release", "--allow-conflicts")
        self.assertEqual(allowed.returncode, 0, allowed.stderr)
        self.assertIn("warning: ", allowed.stderr)

        make_zip(folder / "ui.zip", {"bin/core.dll": with_version("core.dll", (2, 0, 0, 9))})
        made = make_release(folder, "http://server/release")
        self.assertEqual(made.returncode, 1)
        self.assertIn("ui.zip holds bin/core.dll at 2,0,0,9, but core.cab holds it at 2,0,0,5", made.stderr)

        (folder / "broken.cab").write_bytes(b"no cabinet")
        made = make_release(folder, "http://server/release")
        self.assertEqual(made.returncode, 1)
        self.assertIn("broken.cab cannot be read as a cabinet", made.stderr)

    def test_a_zip_whose_extra_field_would_rename_an_entry_is_refused_with_the_entry(self):
        folder = self.release((2, 0, 0, 5), (2, 0, 0, 5))
        # Info-ZIP's time block is metadata: the release is taken.
        with zipfile.ZipFile(folder / "ui.zip", "a") as archive:
            info = zipfile.ZipInfo("bin/same.txt")
            info.extra = b"UT\5\0\1\0\0\0\0"
            archive.writestr(info, b"timed\n")
        made = make_release(folder, "http://server/release")
        self.assertEqual(made.returncode, 0, made.stderr)
        with zipfile.ZipFile(folder / "tools.zip", "w") as archive:
            info = zipfile.ZipInfo("bin/recorded.txt")
            info.extra = b"bin/other.txt\0"
            archive.writestr(info, b"renamed\n")
        (folder / "packages.properties").unlink()
        made = make_release(folder, "http://server/release")
        self.assertEqual(made.returncode, 1)
        self.assertIn("tools.zip: the entry bin/recorded.txt would be unpacked as 'bin/other.txt': its extra field",
                      made.stderr)
        self.assertIn("does not read as standard blocks", made.stderr)
        self.assertFalse((folder / "packages.properties").exists())

    def test_sets_share_the_version_indexes_when_they_can(self):
        one, two, three = (1, 0, 0, 0), (2, 0, 0, 0), (3, 0, 0, 0)
        release = [("a.cab", 0, "", {"bin/x.dll": one, "bin/y.dll": two, "bin/w.dll": three}),
                   ("b.zip", 0, "", {"bin/z.dll": one}),
                   ("c.zip", 0, "", {"bin/v.dll": two, "bin/u.dll": one})]
        sequence, ordered, warnings = release_tool.shared_versions(release, False)
        self.assertEqual(sequence, [one, two, three])
        self.assertEqual(ordered["a.cab"], [("bin/x.dll", one), ("bin/y.dll", two), ("bin/w.dll", three)])
        self.assertEqual(ordered["c.zip"], [("bin/u.dll", one), ("bin/v.dll", two)])
        self.assertEqual(warnings, [])
        # Every element reads its own version at its index in the list written.
        text = release_tool.package_list_text(release, sequence, ordered)
        self.assertIn("c.zip.element.0=bin/u.dll\n", text)
        self.assertIn(".version.1=2,0,0,0\n", text)

        clash = [("a.cab", 0, "", {"bin/x.dll": one}), ("b.zip", 0, "", {"bin/z.dll": two, "bin/y.dll": three})]
        with self.assertRaisesRegex(release_tool.ReleaseError, "a.cab and b.zip cannot share the version indexes"):
            release_tool.shared_versions(clash, False)
        _, ordered, warnings = release_tool.shared_versions(clash, True)
        self.assertEqual(len(ordered["b.zip"]), 2)
        self.assertTrue(warnings)


if __name__ == "__main__":
    main()
