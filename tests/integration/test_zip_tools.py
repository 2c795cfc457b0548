"""Zips as operators' tools make them, served to the real plug-in in the stand-in: Info-ZIP's
`zip -r` with its defaults (time and owner blocks in every entry's extra field), Python's
zipfile with and without an NTFS time block, the older form whose extra field holds the
entry's name, and a name-holding field whose first block fits but whose blocks do not fill
it. Every archive is made here, at test time, and each unpacks under the right names."""

import struct
import subprocess
import tempfile
import zipfile
from pathlib import Path

from run_scene import UNCHECKED_RELEASES, SceneTestCase, work_files
from standin import main

STAMP = (2024, 5, 6, 7, 8, 10)


def info_zip(target, files):
    """`zip -r target .` over a tree of files, as an operator types it."""
    with tempfile.TemporaryDirectory(prefix="zip-tree-") as tree:
        for name, data in files.items():
            path = Path(tree) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
        subprocess.run(["zip", "-q", "-r", str(target.resolve()), "."], cwd=tree, check=True)


def python_zip(target, entries):
    """entries: (recorded name, data, central and local extra field)."""
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data, extra in entries:
            info = zipfile.ZipInfo(name, STAMP)
            info.extra = extra
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)


def ntfs_times():
    """The NTFS block Windows tools write: tag 0x000A, a reserved word, then attribute 1
    with the three file times."""
    times = struct.pack("<QQQ", 133594000000000000, 133594000000000000, 133594000000000000)
    body = b"\0\0\0\0" + struct.pack("<HH", 1, len(times)) + times
    return struct.pack("<HH", 0x000A, len(body)) + body


def tag_like_name(name):
    """A field that holds name and is padded with NULs so that its first "block" (a tag of
    its first two characters, a size of the next two) fits, with three bytes left over."""
    size = name[2] | name[3] << 8
    field = name + b"\0"
    return field + bytes(4 + size + 3 - len(field))


class OrdinaryZipTest(SceneTestCase):
    def test_zips_of_ordinary_tools_unpack_under_their_names(self):
        packages = []
        info = self.scene.files / "info-zip.zip"
        info_zip(info, {"bin/tool.txt": b"from zip -r\n", "bin/sub/deep.txt": b"deep\n"})
        # Info-ZIP's defaults: the central field of each entry starts "UT", size 5.
        with zipfile.ZipFile(info) as archive:
            self.assertTrue(all(entry.extra[:4] == b"UT\5\0" for entry in archive.infolist()))
        packages.append(info)
        plain = self.scene.files / "python-plain.zip"
        python_zip(plain, [("py/plain.txt", b"no extra field\n", b"")])
        packages.append(plain)
        ntfs = self.scene.files / "python-ntfs.zip"
        python_zip(ntfs, [("ntfs/times.txt", b"with NTFS times\n", ntfs_times())])
        packages.append(ntfs)
        legacy = self.scene.files / "legacy.zip"
        python_zip(legacy, [("legacy/recorded.txt", b"named by its field\n", b"legacy/renamed.txt\0"),
                            ("docs/recorded.txt", b"a long field\n", tag_like_name(b"docs/guide.txt"))])
        packages.append(legacy)

        config = self.scene.serve("launch.oscf", "smartclient.configURL=%s\r\n" %
                                  self.scene.serve("packages.properties", "updaterFiles=0\n"))
        # A run that goes well sends the browser on, which ends it.
        page = [("RedirectURL", config), ("NumFiles", str(len(packages))), ("LaunchClient", "false")]
        for i, package in enumerate(packages):
            page += [("File%d" % i, self.scene.url(package.name + ";")), ("FileSize%d" % i, str(package.stat().st_size))]
        run = self.scene.run(page)
        self.assertCompleted(run)
        self.assertEqual(run.log, [UNCHECKED_RELEASES])
        self.assertEqual(self.boxes(run), [])
        expected = {"bin/tool.txt": b"from zip -r\n", "bin/sub/deep.txt": b"deep\n",
                    "py/plain.txt": b"no extra field\n", "ntfs/times.txt": b"with NTFS times\n",
                    "legacy/renamed.txt": b"named by its field\n", "docs/guide.txt": b"a long field\n"}
        for name, data in expected.items():
            [found] = work_files(Path(name).name)
            self.assertTrue(found.endswith("/" + name), found)
            self.assertEqual(Path(found).read_bytes(), data)
        self.assertEqual(work_files("recorded.txt"), [])


if __name__ == "__main__":
    main()
