"""tools/make-release --sign and --verify, on the host (python3 and openssl, no Windows
program): a signed release verifies, with the tool and with plain openssl, and --verify
refuses every change the plug-in would refuse and a manifest past its expiry (on a fixed
clock); archive names a manifest cannot carry are refused before anything is written.

    test_make_release_signing.py [BUILD]    BUILD: the build folder, whose release_check
                                            the tool then uses rather than building its own
"""

import datetime
import io
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from contextlib import redirect_stderr, redirect_stdout
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
CHECKER = BUILD / "release_check" if BUILD else None
sys.path.insert(0, str(SOURCE / "tools" / "release"))
import make_release as release_tool  # noqa: E402

MAKE_RELEASE = SOURCE / "tools" / "make-release"
MANIFEST = "packages.properties.manifest"


def pe_with_version(version):
    """Just enough of a PE file with a version resource for make-release to read it."""
    data = b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0" + "VS_VERSION_INFO".encode("utf-16-le")
    return data + struct.pack("<5I", 0, 0xFEEF04BD, 0x10000, version[0] << 16 | version[1],
                              version[2] << 16 | version[3])


def make_zip(path, members):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in members.items():
            archive.writestr(name, data)


def tool(*args):
    return subprocess.run([str(MAKE_RELEASE), *map(str, args)], capture_output=True, text=True)


class MakeReleaseSigningTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="make-release-signing-"))
        for key in ("first", "other"):
            subprocess.run([sys.executable, str(SOURCE / "tools" / "release" / "release_keys.py"), "new",
                            str(cls.root / key)], check=True)
        cls.release = cls.root / "release"
        cls.release.mkdir()
        make_zip(cls.release / "client.zip", {"bin/client.exe": pe_with_version((3, 1, 0, 7)),
                                              "bin/updater.exe": pe_with_version((3, 0, 2, 9))})
        make_zip(cls.release / "Readme.zip", {"readme.txt": b"the client\n"})
        cls.sign(cls.release, "first")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    @classmethod
    def sign(cls, folder, key, out=None):
        release_tool.make_release(folder, "http://server/release", out, checker_build=CHECKER,
                                  signing_key=cls.root / (key + ".pem"), date="2026-12-09")

    def verify(self, folder):
        return tool("--verify", self.root / "first.pub.pem", folder)

    def test_a_signed_release_verifies_with_the_tool_and_with_plain_openssl(self):
        manifest = (self.release / MANIFEST).read_bytes()
        lines = manifest.decode("ascii").split("\n")
        listed = release_tool.release_manifest.entry_on_disk(self.release / "packages.properties")
        self.assertEqual(lines[:4], ["ostrel-release-manifest 1", "version 3.1.0.7", "date 2026-12-09",
                                     "list packages.properties %d %s" % (listed.size, listed.sha256)])
        # One file line per archive, in the package list's order.
        self.assertEqual([line.split(" ")[1] for line in lines[4:6]], ["Readme.zip", "client.zip"])
        self.assertIn("updaterFile.0=Readme.zip\n", (self.release / "packages.properties").read_text())
        self.assertTrue(lines[6].startswith("signature ") and lines[7:] == [""])

        signed, signature = self.root / "signed", self.root / "signature"
        signed.write_bytes(manifest[:manifest.index(b"signature ")])
        signature.write_bytes(bytes.fromhex(lines[6].split(" ")[1]))
        plain = subprocess.run(["openssl", "dgst", "-sha256", "-verify", str(self.root / "first.pub.pem"),
                                "-signature", str(signature), str(signed)], capture_output=True, text=True)
        self.assertEqual((plain.returncode, plain.stdout.strip()), (0, "Verified OK"), plain.stderr)

        verified = self.verify(self.release)
        self.assertEqual(verified.returncode, 0, verified.stderr)
        self.assertEqual(verified.stdout, "make-release: verified: version 3.1.0.7 of 2026-12-09, 2 archives, "
                                          "signed by %s\n" % (self.root / "first.pub.pem"))

        # Signing adds the manifest and changes nothing else of the feed.
        unsigned = self.root / "unsigned"
        release_tool.make_release(self.release, "http://server/release", unsigned, checker_build=CHECKER)
        for name in ("packages.properties", "embed.txt"):
            self.assertEqual((unsigned / name).read_bytes(), (self.release / name).read_bytes(), name)
        self.assertFalse((unsigned / MANIFEST).exists())

    def test_verify_refuses_what_the_plugin_would_refuse(self):
        def edit(name, old, new):
            return lambda folder: (folder / name).write_bytes((folder / name).read_bytes().replace(old, new, 1))

        def append(name, more):
            return lambda folder: (folder / name).write_bytes((folder / name).read_bytes() + more)

        cases = [
            ("signed by another key", lambda folder: self.sign(folder, "other"), "is not signed by"),
            ("an archive changed", append("Readme.zip", b"\0"),
             "Readme.zip differs from the one the manifest names"),
            ("the package list changed", edit("packages.properties", b".version.0=", b".version.1="),
             "packages.properties differs from the one the manifest names"),
            ("an archive added", lambda folder: make_zip(folder / "extra.zip", {"a.txt": b"a"}),
             "extra.zip is not named in the manifest"),
            ("the manifest edited after signing", edit(MANIFEST, b"version 3.1.0.7", b"version 3.1.0.8"),
             "is not signed by"),
            ("a name repeated in another case", edit(MANIFEST, b"file client.zip", b"file readme.zip"),
             "cannot be read: line 6 names readme.zip a second time"),
            ("a size with a leading zero", edit(MANIFEST, b"file client.zip ", b"file client.zip 0"),
             'cannot be read: line 6 is no "file NAME SIZE SHA256"'),
            ("a line after the signature", append(MANIFEST, b"\n"),
             "cannot be read: line 8 follows the signature"),
        ]
        for what, change, message in cases:
            with self.subTest(what):
                folder = self.root / what.replace(" ", "-")
                shutil.copytree(self.release, folder)
                change(folder)
                refused = self.verify(folder)
                self.assertEqual(refused.returncode, 1, refused.stdout)
                self.assertIn(message, refused.stderr)
                self.assertTrue(refused.stderr.startswith("make-release: "), refused.stderr)

    def test_a_manifest_that_expires_verifies_until_its_last_day_and_is_refused_after(self):
        folder = self.root / "expiring"
        shutil.copytree(self.release, folder)
        key = self.root / "first.pem"
        signed_on = datetime.date(2026, 12, 9)
        self.assertEqual(release_tool.main([str(folder), "http://server/release", "--sign", str(key),
                                            "--valid-days", "30"], today=signed_on), 0)
        lines = (folder / MANIFEST).read_text().split("\n")
        self.assertEqual(lines[2:4], ["date 2026-12-09", "expires 2027-01-08"])
        public = str(self.root / "first.pub.pem")
        for today, status in ((signed_on, 0), (datetime.date(2027, 1, 8), 0), (datetime.date(2027, 1, 9), 1)):
            with self.subTest(today=today), redirect_stdout(io.StringIO()) as out, redirect_stderr(io.StringIO()) as err:
                self.assertEqual(release_tool.main(["--verify", public, str(folder)], today=today), status)
            if status == 0:
                self.assertIn("of 2026-12-09, expires after 2027-01-08 (UTC), 2 archives", out.getvalue())
            else:
                self.assertIn("make-release: the manifest expired on 2027-01-08", err.getvalue())

        refusals = [(["--expires", "2026-12-08"], "the expiry 2026-12-08 has passed"),
                    (["--expires", "2027-02-29"], "there is no such day"),
                    (["--expires", "2027-1-8"], "it is no date YYYY-MM-DD"),
                    (["--valid-days", "0"], "--valid-days takes a number of days from 1 on")]
        for options, message in refusals:
            with self.subTest(options=options), redirect_stderr(io.StringIO()) as err:
                self.assertEqual(release_tool.main([str(folder), "http://server/release", "--sign", str(key),
                                                    *options], today=signed_on), 1)
                self.assertIn(message, err.getvalue())
        both = tool(folder, "http://server/release", "--sign", key, "--expires", "2027-01-08", "--valid-days", "3")
        unsigned = tool(folder, "http://server/release", "--valid-days", "3")
        self.assertEqual((both.returncode, unsigned.returncode), (2, 2))
        self.assertIn("go with --sign", unsigned.stderr)

    def test_names_a_manifest_cannot_carry_are_refused_before_anything_is_written(self):
        for names, message in ((["client one.zip"], "the archive 'client one.zip' cannot be named"),
                               (["client.zip", "CLIENT.zip"], "differ only in case")):
            with self.subTest(names=names):
                folder = Path(tempfile.mkdtemp(dir=self.root))
                for name in names:
                    make_zip(folder / name, {"readme.txt": name.encode()})
                refused = tool(folder, "http://server/release", "--sign", self.root / "first.pem")
                self.assertEqual(refused.returncode, 1)
                self.assertIn(message, refused.stderr)
                self.assertEqual(sorted(p.name for p in folder.iterdir()), sorted(names))
                # Unsigned, the feed is made as before.
                release_tool.make_release(folder, "http://server/release", checker_build=CHECKER)
                self.assertTrue((folder / "packages.properties").exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
