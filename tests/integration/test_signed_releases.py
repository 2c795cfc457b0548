"""Signed releases through the plug-in with release keys (bin/signed/, which trusts the
build's test keys "first" and "second"): a release that tools/make-release signed with
either installs and launches, and its manifest is asked for as the package list is. A
release that is unsigned, signed by another key, or whose manifest, archive or package
list changed after signing, or whose page names an archive the manifest does not, is
refused with its one line: nothing of it stays unpacked and no updater runs."""

import json
import subprocess

from run_scene import SceneTestCase, make_release, work_files
from sample_release import make_zip
from standin import BIN, BUILD, SOURCE, main, windows_path
from test_run_failures import PERMISSION_TEXT
from test_run_install import INSTALL_LINE, LAUNCH_LINE

SIGNED_DLL = ("--dll", windows_path(BIN / "signed" / "NPOstrelUpdater.dll"))
KEYS = BUILD / "release-keys"
MAKE_RELEASE = SOURCE / "tools" / "make-release"
VERSION = "7.5.2.0"
DATE = "2026-12-09"
TOKEN = "sign-on-token-7321"
REFUSED = "Release refused: "
UNPACKED = ("updater.exe", "client.exe", "readme.txt", "client.cab", "client.zip")


def signed_text(body, key):
    """The manifest body followed by its signature line, signed by key as make-release
    signs: RSA over SHA-256 by openssl, the signature in hex."""
    signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", str(key)], input=body,
                               capture_output=True, check=True).stdout
    return body + b"signature " + signature.hex().encode() + b"\n"


def manifest_body(path):
    """The signed part of a manifest: every byte before its signature line."""
    text = path.read_bytes()
    return text[:text.rindex(b"\nsignature ") + 1]


class SignedReleaseCase(SceneTestCase):
    def release(self, name, key="first"):
        """The sample release in its own folder on the server, signed by the test key of
        that name (unsigned without one); its folder, URL and install page."""
        folder = self.scene.files / name
        base_url = "%s/%s" % (self.scene.base_url, name)
        parameters = make_release(folder, base_url, BIN)
        if key:
            made = subprocess.run([str(MAKE_RELEASE), str(folder), base_url, "--sign", str(KEYS / (key + ".pem")),
                                   "--version", VERSION, "--date", DATE], capture_output=True, text=True)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            self.assertTrue((folder / "packages.properties.manifest").exists())
        page = [("RedirectURL", base_url + "/launch.oscf"), *parameters, ("InstallMode", "true"),
                ("CloseWindow", ""), ("ProgramTitle", "Conference"),
                ("InstallLogURL", self.scene.log_receiver())]
        return folder, base_url, page

    def run_signed(self, page):
        """Runs the page with the keyed plug-in; the run and the log lines it uploaded.
        Long lines are cut in Wine's debug output: the uploaded log holds them whole."""
        before = len(self.scene.received_logs())
        run = self.scene.run(page, *SIGNED_DLL)
        self.assertCompleted(run)
        uploaded = b"".join(body for _, _, body in self.scene.received_logs()[before:])
        return run, uploaded.decode("utf-8").split("\r\n")

    def requests_for(self, name):
        ending = "/files/%s/%s" % (self.scene.name, name)
        with open(self.scene.info["request_log"]) as log:
            return [entry for entry in map(json.loads, log) if entry["path"] == ending]


class SignedInstallTest(SignedReleaseCase):
    def check_installed(self, run, log, key_number):
        self.assertIn("Release %s of %s, signed by release key %d of 2." % (VERSION, DATE, key_number), log)
        self.assertEqual([line for line in log if line.startswith(REFUSED)], [])
        record = self.scene.record_lines()
        self.assertEqual(len([line for line in record if INSTALL_LINE.match(line)]), 1, record)
        self.assertEqual(len([line for line in record if LAUNCH_LINE.match(line)]), 1, record)
        self.assertIn("updater: exit 0", record)
        self.assertIn("client: startup event signalled", record)
        self.assertIn("frame closed by the plug-in", run.lines)
        self.assertEqual(self.boxes(run), [])

    def test_a_release_signed_by_first_installs_and_its_manifest_is_asked_for_as_the_list_is(self):
        _, _, page = self.release("first")
        run, log = self.run_signed([*page, ("SiteMinderHeader", TOKEN)])
        self.check_installed(run, log, 1)
        # The manifest comes right after the package list, before any archive.
        self.assertEqual(self.scene.requested(),
                         ["first/launch.oscf", "first/packages.properties", "first/packages.properties.manifest",
                          "first/client.cab", "first/client.zip"])
        [listed] = self.requests_for("first/packages.properties")
        [manifest] = self.requests_for("first/packages.properties.manifest")
        self.assertEqual(manifest["headers"].get("accept-language"), "en-us")
        self.assertEqual(manifest["headers"].get("accept-language"), listed["headers"].get("accept-language"))
        for request in (listed, manifest):
            self.assertIn("SMSESSION=" + TOKEN, request["headers"].get("cookie", ""))

    def test_a_release_signed_by_second_installs_too(self):
        _, _, page = self.release("second", key="second")
        run, log = self.run_signed(page)
        self.check_installed(run, log, 2)


class RefusedReleaseTest(SignedReleaseCase):
    def check_refused(self, name, page, line, fetched=()):
        """The run fails as a refused release with exactly that refusal line, having
        fetched only the named archives; nothing is left unpacked and nothing ran."""
        run, log = self.run_signed(page)
        self.assertEqual([entry for entry in log if entry.startswith(REFUSED)], [line])
        self.assertIn("Unable to download client files.  rc: 14", log)
        self.assertEqual([request for request in self.scene.requested() if request.startswith(name + "/client.")],
                         ["%s/%s" % (name, archive) for archive in fetched])
        for unpacked in UNPACKED:
            self.assertEqual(work_files(unpacked), [], unpacked)
        self.assertEqual(self.scene.record_lines(), [])
        self.assertEqual(self.boxes(run)[-1], PERMISSION_TEXT)

    def test_an_unsigned_release_is_refused_for_want_of_its_manifest(self):
        _, base_url, page = self.release("unsigned", key=None)
        self.check_refused("unsigned", page,
                           REFUSED + "the manifest could not be had: %s/packages.properties.manifest" % base_url)

    def test_a_release_signed_by_another_key_is_refused(self):
        _, _, page = self.release("other", key="other")
        self.check_refused("other", page, REFUSED + "the manifest is not signed by a key this plug-in trusts.")

    def test_a_manifest_changed_after_signing_is_refused(self):
        folder, _, page = self.release("changed")
        manifest = folder / "packages.properties.manifest"
        text = manifest.read_bytes()
        self.assertIn(b"\nversion %s\n" % VERSION.encode(), text)
        manifest.write_bytes(text.replace(b"\nversion %s\n" % VERSION.encode(), b"\nversion 7.5.2.9\n"))
        self.check_refused("changed", page, REFUSED + "the manifest is not signed by a key this plug-in trusts.")

    def test_an_archive_swapped_after_signing_is_refused_and_what_came_before_it_removed(self):
        folder, _, page = self.release("swapped")
        # Another client.zip in its place, with the page's digest left as signed: the
        # cabinet before it comes and unpacks, the zip is refused when it has come.
        make_zip(folder / "client.zip", {"bin/client.exe": b"not the client that was signed"})
        self.check_refused("swapped", page, REFUSED + "client.zip differs from the one the manifest names.",
                           fetched=("client.cab", "client.zip"))

    def test_an_archive_the_manifest_does_not_name_is_refused_before_any_download(self):
        folder, _, page = self.release("unnamed")
        manifest = folder / "packages.properties.manifest"
        body = b"".join(line for line in manifest_body(manifest).splitlines(keepends=True)
                        if not line.startswith(b"file client.zip "))
        manifest.write_bytes(signed_text(body, KEYS / "first.pem"))
        self.check_refused("unnamed", page, REFUSED + "client.zip is not named in the manifest.")

    def test_a_package_list_changed_after_signing_is_refused(self):
        folder, _, page = self.release("list")
        with open(folder / "packages.properties", "a") as listed:
            listed.write("client.cab.files=0\n")
        self.check_refused("list", page, REFUSED + "the package list differs from the one the manifest names.")

    def test_without_a_package_list_nothing_is_fetched(self):
        folder, _, page = self.release("nolist")
        (folder / "packages.properties").unlink()
        self.check_refused("nolist", page,
                           REFUSED + "there is no package list to check against a signed manifest.")
        self.assertNotIn("nolist/packages.properties.manifest", self.scene.requested())

    def test_a_page_digest_other_than_the_manifests_is_refused(self):
        _, _, page = self.release("digest")
        page = [(name, ("0" if value[0] != "0" else "1") + value[1:]) if name == "FileSha2560" else (name, value)
                for name, value in page]
        self.check_refused("digest", page, REFUSED + "the page's FileSha256 for client.cab differs from the manifest.")


if __name__ == "__main__":
    main()
