"""Signed releases through the plug-in with release keys (bin/signed/, which trusts the
build's test keys "first" and "second"): a release that tools/make-release signed with
either installs and launches, and its manifest is asked for as the package list is, through
the browser's proxy too. A release that is unsigned, signed by another key, or whose
manifest, archive or package list changed after signing, or whose page names an archive
the manifest does not, or whose manifest has expired, is refused with its one line:
nothing of it stays unpacked and no updater runs. So is a release whose manifest is redirected from https to http, or whose
server never answers for it, within the download's timeouts."""

import json
import shutil
import subprocess
import urllib.parse

from run_scene import PREFIX_C, RUN_MS, SceneTestCase, make_release, set_install_dir, work_files
from sample_release import make_zip
from standin import BIN, BUILD, SOURCE, main, scaled, windows_path
from test_run_failures import PERMISSION_TEXT
from test_run_install import INSTALL_LINE, LAUNCH_LINE
from test_run_installed import LAUNCH

SIGNED_DLL = ("--dll", windows_path(BIN / "signed" / "NPOstrelUpdater.dll"))
KEYS = BUILD / "release-keys"
MAKE_RELEASE = SOURCE / "tools" / "make-release"
VERSION = "7.5.2.0"
DATE = "2026-12-09"
TOKEN = "sign-on-token-7321"
REFUSED = "Release refused: "
UNPACKED = ("updater.exe", "client.exe", "readme.txt", "client.cab", "client.zip")
MANIFEST = "packages.properties.manifest"
# A server that says nothing is given up on after the download's receive timeout
# (kDownloadTimeouts): real time, inside the emulated machine too.
RECEIVE_TIMEOUT_MS = 20000
INSTALL_KEY = "Software\\Ostrel Software, Inc.\\Ostrel Client"


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


def answer_instead(folder, name, **query):
    """The fixture server answers the file of that name in folder as the query asks, not
    with the file's bytes."""
    (folder / (name + ".answer")).write_text(urllib.parse.urlencode(query))


class SignedReleaseCase(SceneTestCase):
    def release(self, name, key="first", origin=None, signing=()):
        """The sample release in its own folder on the server, signed by the test key of
        that name (unsigned without one) with make-release's further signing options; its
        folder, URL and install page. origin ("scheme://host:port") serves it from another
        of the fixture's addresses."""
        folder = self.scene.files / name
        scene_url = "%s/files/%s" % (origin, self.scene.name) if origin else self.scene.base_url
        base_url = "%s/%s" % (scene_url, name)
        parameters = make_release(folder, base_url, BIN)
        if key:
            made = subprocess.run([str(MAKE_RELEASE), str(folder), base_url, "--sign", str(KEYS / (key + ".pem")),
                                   "--version", VERSION, "--date", DATE, *signing], capture_output=True, text=True)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            self.assertTrue((folder / "packages.properties.manifest").exists())
        page = [("RedirectURL", base_url + "/launch.oscf"), *parameters, ("InstallMode", "true"),
                ("CloseWindow", ""), ("ProgramTitle", "Conference"),
                ("InstallLogURL", self.scene.log_receiver())]
        return folder, base_url, page

    def run_signed(self, page, *args, run_ms=RUN_MS):
        """Runs the page with the keyed plug-in (and the stand-in's args); the run and the
        log lines it uploaded. Long lines are cut in Wine's debug output: the uploaded log
        holds them whole."""
        before = len(self.scene.received_logs())
        run = self.scene.run(page, *SIGNED_DLL, *args, run_ms=run_ms)
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

    def test_a_release_signed_for_thirty_days_installs(self):
        folder, _, page = self.release("monthly", signing=("--valid-days", "30"))
        self.assertIn(b"\nexpires ", (folder / MANIFEST).read_bytes())
        run, log = self.run_signed(page)
        self.check_installed(run, log, 1)

    def test_through_the_browsers_proxy_the_manifest_goes_as_the_package_list_does(self):
        # The browser sends everything but the loopback's (the log receiver) through the
        # fixture's proxy; a *.test host is known to the proxy alone.
        prefs = self.profile.root / "Firefox" / "Profiles" / "standin.default" / "prefs.js"
        plain = prefs.read_text()
        _, base_url, page = self.release("proxied", origin="http://ostrel.test:%s" % self.scene.info["http_port"])
        prefs.write_text(plain + 'user_pref("network.proxy.http", "127.0.0.1");\r\n'
                         'user_pref("network.proxy.http_port", %s);\r\n'
                         'user_pref("network.proxy.no_proxies_on", "localhost, 127.0.0.1");\r\n'
                         'user_pref("network.proxy.type", 1);\r\n' % self.scene.info["proxy_port"])
        try:
            run, log = self.run_signed(page)
        finally:
            prefs.write_text(plain)
        self.check_installed(run, log, 1)
        for name in ("packages.properties", MANIFEST):
            requests = self.requests_for("proxied/" + name)
            self.assertEqual([request["server"] for request in requests], ["proxy", "http"], name)
            self.assertEqual(requests[0]["target"], "%s/%s" % (base_url, name))


class RefusedReleaseTest(SignedReleaseCase):
    def check_refused(self, name, page, line, fetched=(), args=(), run_ms=RUN_MS):
        """The run fails as a refused release with exactly that refusal line, having
        fetched only the named archives; nothing is left unpacked and nothing ran. The
        run and its uploaded log."""
        run, log = self.run_signed(page, *args, run_ms=run_ms)
        self.assertEqual([entry for entry in log if entry.startswith(REFUSED)], [line])
        self.assertIn("Unable to download client files.  rc: 14", log)
        self.assertEqual([request for request in self.scene.requested() if request.startswith(name + "/client.")],
                         ["%s/%s" % (name, archive) for archive in fetched])
        for unpacked in UNPACKED:
            self.assertEqual(work_files(unpacked), [], unpacked)
        self.assertEqual(self.scene.record_lines(), [])
        self.assertEqual(self.boxes(run)[-1], PERMISSION_TEXT)
        return run, log

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

    def test_an_expired_manifest_is_refused_before_any_download(self):
        folder, _, page = self.release("expired")
        manifest = folder / MANIFEST
        body = manifest_body(manifest).replace(b"\ndate %s\n" % DATE.encode(),
                                               b"\ndate %s\nexpires 2026-01-31\n" % DATE.encode())
        manifest.write_bytes(signed_text(body, KEYS / "first.pem"))
        self.check_refused("expired", page, REFUSED + "the manifest expired on 2026-01-31.")

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

    def test_a_manifest_redirected_from_https_to_http_is_refused(self):
        info = self.scene.info
        folder, base_url, page = self.release("downgraded", origin="https://localhost:%s" % info["https_port"])
        # The same signed manifest waits at the redirect's target, in clear.
        shutil.copyfile(folder / MANIFEST, folder / "clear.manifest")
        clear = "http://127.0.0.1:%s/files/%s/downgraded/clear.manifest" % (info["http_port"], self.scene.name)
        answer_instead(folder, MANIFEST, status=302, location=clear)
        _, log = self.check_refused("downgraded", page,
                                    REFUSED + "the manifest could not be had: %s/%s" % (base_url, MANIFEST),
                                    args=("--trust-certificate", windows_path(info["ca_der"])))
        self.assertIn("Redirect refused: it leaves https (302) to host 127.0.0.1", log)
        self.assertEqual([request["server"] for request in self.requests_for("downgraded/" + MANIFEST)], ["https"])
        self.assertEqual(self.requests_for("downgraded/clear.manifest"), [])

    def test_a_manifest_the_server_never_answers_is_given_up_within_the_timeouts(self):
        # A plug-in that waited past its receive timeout would still wait when the page's
        # time is over (the server keeps silent longer still); one that asked again shows
        # in the requests. Silent before the answer, or after its header.
        run_ms = RECEIVE_TIMEOUT_MS + scaled(40000)
        for name, query in (("unanswered", {"stall": 2 * run_ms}), ("bodiless", {"size": 4096, "hang": 0})):
            with self.subTest(name):
                folder, base_url, page = self.release(name)
                answer_instead(folder, MANIFEST, **query)
                run, _ = self.check_refused(name, page,
                                            REFUSED + "the manifest could not be had: %s/%s" % (base_url, MANIFEST),
                                            run_ms=run_ms)
                self.assertIn("run ended: the browser window was closed", run.lines)
                self.assertEqual(len(self.requests_for("%s/%s" % (name, MANIFEST))), 1)


class InstalledClientReleaseTest(SignedReleaseCase):
    """The client is installed (the sample updater, file version 2.0.0.1): any page names
    its own configuration file, so the keyed plug-in starts the installed updater only
    with a release it has checked, and fetches no archive."""

    def launch_page(self, base_url):
        return [("RedirectURL", base_url + "/launch.oscf"), ("CloseWindow", ""), ("ProgramTitle", "Conference"),
                ("InstallLogURL", self.scene.log_receiver())]

    def launched_from(self):
        return [m.group(1) for m in map(LAUNCH.match, self.scene.record_lines()) if m]

    def setUp(self):
        super().setUp()
        set_install_dir("HKCU", windows_path(self.scene.installed_tree(self.scene.folder / "user")))

    def test_a_signed_release_starts_the_installed_updater_and_no_archive_is_fetched(self):
        _, base_url, _ = self.release("current")
        run, log = self.run_signed(self.launch_page(base_url))
        self.assertIn("Release %s of %s, signed by release key 1 of 2." % (VERSION, DATE), log)
        self.assertEqual(self.scene.requested(), ["current/launch.oscf", "current/packages.properties",
                                                  "current/packages.properties.manifest"])
        self.assertEqual(self.launched_from(), [windows_path(self.scene.folder / "user")])
        self.assertIn("frame closed by the plug-in", run.lines)
        self.assertEqual(self.boxes(run), [])

    def test_a_release_that_does_not_verify_or_goes_back_starts_nothing(self):
        cases = {"unsigned": (dict(key=None), "the manifest could not be had: %s/" + MANIFEST),
                 "other": (dict(key="other"), "the manifest is not signed by a key this plug-in trusts."),
                 "older": (dict(signing=("--version", "2.0.0.0")),
                           "version 2.0.0.0 is older than the installed version 2.0.0.1.")}
        for name, (options, refusal) in cases.items():
            with self.subTest(name):
                _, base_url, _ = self.release(name, **options)
                run, log = self.run_signed(self.launch_page(base_url))
                expected = REFUSED + (refusal % base_url if "%s" in refusal else refusal)
                self.assertEqual([line for line in log if line.startswith(REFUSED)], [expected])
                self.assertIn("The client is not started: its release was not accepted.", log)
                # A manifest the server has not gets its download's box first, as on an install.
                self.assertEqual(self.boxes(run)[-1], "Unable to launch client")
                self.assertEqual(self.launched_from(), [])
                self.assertFalse([r for r in self.scene.requested() if r.startswith(name + "/client.")])
                # Nothing starts: the closing does not wait for a client.
                self.assertIn("frame closed by the plug-in", run.lines)

    def test_an_updater_at_a_fixed_place_without_a_registered_installation_is_never_started(self):
        for root in ("HKCU", "HKLM"):
            subprocess.run([str(BUILD / "wine-run"), "reg", "delete", root + "\\" + INSTALL_KEY, "/f"],
                           capture_output=True)
        planted = PREFIX_C / "OstrelOne"
        try:
            self.scene.installed_tree(planted)
            _, base_url, _ = self.release("planted")
            run, log = self.run_signed(self.launch_page(base_url))
        finally:
            shutil.rmtree(planted, ignore_errors=True)
        self.assertEqual(self.launched_from(), [])
        self.assertIn("CMyPlugin::StartupClient was executed without a client installation.", log)
        self.assertEqual(self.boxes(run), ["Unable to find client installation"])


if __name__ == "__main__":
    main()
