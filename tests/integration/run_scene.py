"""Whole runs of the real plug-in in the stand-in: a release of the sample client on the
fixture web server, a page that embeds it, the sample programs' record of what they were
asked to do, the requests the server saw, the install log as the plug-in writes it, and
the prefix's registry and files."""

import codecs
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from html import escape
from pathlib import Path

from rig_prefix import rig_prefix
from standin import BIN, BUILD, PLUGIN_TYPE, SOURCE, WINE_RUN, FirefoxProfile, run_standin, scaled, windows_path

sys.path.insert(0, str(SOURCE / "tools" / "sample_client"))
from sample_release import make_release  # noqa: E402

CLIENT_KEY = "Software\\Ostrel Software, Inc.\\Ostrel Client"
PREFIX_C = rig_prefix(BUILD) / "drive_c"
DEBUG_OUTPUT = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')
# A safety net: the runs here end by the plug-in's doing or by their own. Inside the
# emulated machine, with other tests beside it, a whole install has been seen to take
# over a minute.
RUN_MS = scaled(60000)
# What every update of a plug-in without release keys logs first.
UNCHECKED_RELEASES = "Releases are not checked for a signature: this plug-in carries no release key."


def fixture_info():
    info = {}
    with open(os.environ["OSTREL_FIXTURE_INFO"]) as env:
        for line in env:
            key, _, value = line.strip().partition("=")
            info[key] = value
    return info


def reg(*args):
    """A reg.exe command in the prefix; its exit code (a missing key is not an error here)."""
    return subprocess.run([str(WINE_RUN), "reg", *args], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, errors="replace").returncode


def set_install_dir(root, folder):
    reg("add", root + "\\" + CLIENT_KEY, "/v", "InstallDir", "/d", folder, "/f")


def forget_installations():
    for root in ("HKCU", "HKLM"):
        reg("delete", root + "\\" + CLIENT_KEY, "/f")


def forget_work_directories():
    """Every user's work directory goes: a file unpacked there by an earlier run (an
    updater's exit-code.txt, say) would otherwise take part in the next one."""
    for work in (PREFIX_C / "users").glob("*/Temp/Ostrel_client_install*"):
        shutil.rmtree(work, ignore_errors=True)


def work_files(name):
    """Every file of that name in the users' work directories."""
    return sorted(str(path) for path in (PREFIX_C / "users").glob("*/Temp/Ostrel_client_install*/**/" + name))


def embed(*embeds):
    """A page with an embed of the plug-in for each list of parameters, in that order."""
    tags = ['<embed type="%s" width="320" height="60" %s>' %
            (PLUGIN_TYPE, " ".join('%s="%s"' % (name, escape(value, quote=True)) for name, value in parameters))
            for parameters in embeds]
    return "<html><body>%s</body></html>" % "".join(tags)


class Scene:
    """One test's world: its folder on the server, its install folder and record file."""

    def __init__(self, name):
        self.info = fixture_info()
        self.name = "%s-%d-%d" % (name, os.getpid(), time.time_ns())
        self.files = Path(self.info["dir"]) / "files" / self.name
        self.files.mkdir(parents=True)
        self.base_url = "http://127.0.0.1:%s/files/%s" % (self.info["http_port"], self.name)
        self.folder = Path(tempfile.mkdtemp(prefix="scene-"))
        self.record = self.folder / "record.txt"
        self.install_dir = self.folder / "Ostrel Client"

    def release(self, **options):
        """The sample client's packages on the server; the File parameters for a page."""
        return make_release(self.files, self.base_url, BIN, **options)

    def url(self, name):
        return "%s/%s" % (self.base_url, name)

    def log_receiver(self, query="", scheme="http"):
        """The URL of this scene's install-log receiver on the fixture server."""
        port = self.info["https_port" if scheme == "https" else "http_port"]
        host = "localhost" if scheme == "https" else "127.0.0.1"
        return "%s://%s:%s/logs/%s%s" % (scheme, host, port, self.name, query)

    def received_logs(self):
        """What the receiver got, in order: (request line, [(name, value)], body bytes)."""
        folder = Path(self.info["dir"]) / "received" / self.name
        requests = []
        for path in sorted(folder.glob("*.http")) if folder.exists() else []:
            head, _, body = path.read_bytes().partition(b"\r\n\r\n")
            first, *lines = head.decode("latin-1").split("\r\n")
            requests.append((first, [tuple(line.split(": ", 1)) for line in lines], body))
        return requests

    def serve(self, name, text):
        (self.files / name).write_text(text)
        return self.url(name)

    def installed_tree(self, folder):
        """A client tree with the sample updater and client, as an installation leaves it."""
        (folder / "bin").mkdir(parents=True, exist_ok=True)
        for program in ("updater.exe", "client.exe"):
            shutil.copyfile(BIN / "sample_client" / program, folder / "bin" / program)
        return folder

    def run(self, parameters, *args, run_ms=RUN_MS, more_embeds=()):
        """Runs the page for run_ms; the stand-in then has a minute for the teardown, and
        3 s more for each further embed, whose NPP_Destroy pauses 2 s after its worker."""
        page = self.folder / ("page-%d.html" % time.time_ns())
        page.write_text(embed(parameters, *more_embeds))
        os.environ["OSTREL_SAMPLE_RECORD"] = windows_path(self.record)
        os.environ["OSTREL_SAMPLE_INSTALL_DIR"] = windows_path(self.install_dir)
        os.environ["OSTREL_SAMPLE_CLIENT_MS"] = "1000"
        # The plug-in writes each install-log line to the debug output, which Wine shows on
        # the error output through its "debugstr" channel.
        os.environ["WINEDEBUG"] = "-all,warn+debugstr"
        teardown_s = 60 + 3 * len(more_embeds)
        run = run_standin("--run-ms", run_ms, *args, windows_path(page),
                          timeout=max(180, run_ms // 1000 + teardown_s))
        run.log = [line for m in map(DEBUG_OUTPUT.match, run.stderr.splitlines()) if m
                   for line in codecs.decode(m.group(1), "unicode_escape").splitlines()]
        return run

    def record_lines(self):
        return self.record.read_text(errors="replace").splitlines() if self.record.exists() else []

    def requested(self):
        """The names asked for under this scene's folder, in order, paced or not."""
        names = []
        with open(self.info["request_log"]) as log:
            for line in log:
                path = re.sub(r"^/paced/\d+/", "/files/", json.loads(line)["path"])
                prefix = "/files/%s/" % self.name
                if path.startswith(prefix):
                    names.append(path[len(prefix):])
        return names

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(self.files, ignore_errors=True)


class SceneTestCase(unittest.TestCase):
    """Each test gets a scene, a Firefox profile and a prefix without installations."""

    def setUp(self):
        self.profile = FirefoxProfile().__enter__()
        forget_installations()
        forget_work_directories()
        self.scene = Scene(self.id().rsplit(".", 1)[-1])

    def tearDown(self):
        forget_installations()
        forget_work_directories()
        self.scene.remove()
        self.profile.__exit__(None, None, None)

    def assertCompleted(self, run):
        self.assertEqual(run.code, 0, run.output + run.stderr)
        self.assertEqual(run.lines[-1], "FreeLibrary done", run.output)

    def boxes(self, run):
        return [m.group(1) for m in run.matching(r'message box caption=".*" text="(.*)" -> OK$')]
