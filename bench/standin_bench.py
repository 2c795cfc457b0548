"""What the benchmarks that run the real plug-in in the browser stand-in share: the move
into the emulated machine where Windows programs only start there, a fresh pinned Wine
rig, the tests' web server in a folder of its own, the prefix's Firefox profile and
client registration, and the stand-in's output lines with the time each came out."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from contextlib import contextmanager
from pathlib import Path

from wine_pinning import pin_wineserver

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "integration"))
from firefox_profile import FirefoxProfile  # noqa: E402,F401  (the benchmarks' profile)
from rig_prefix import rig_prefix  # noqa: E402

ROOT = Path(__file__).resolve().parents[1]
RUN_WINDOWS = ROOT / "tools" / "guest" / "run-windows"
FIXTURE_SERVER = ROOT / "tests" / "fixtures" / "fixture_server.py"
CLIENT_KEY = "Software\\Ostrel Software, Inc.\\Ostrel Client"
PLUGIN_TYPE = "application/x-ostrel-updater-plugin"
PIN = ["taskset", "-c", "0"]


def windows_path(path):
    """The path as Wine's programs see it: drive Z: is the Unix root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def prefix_users(build):
    return rig_prefix(build) / "drive_c" / "users"


def run_where_windows_programs_start(build, script, *arguments):
    """Restarts script through tools/guest/run-windows, once: inside the emulated machine
    it takes the build folder's guest lock, as wine-run does, so that no other machine
    writes the same Wine prefix meanwhile."""
    if not os.environ.get("OSTREL_PLACED"):
        os.execv(RUN_WINDOWS, [RUN_WINDOWS, "--share", ROOT, "--share", build, "--lock", Path(build) / "rig.guest-lock",
                               "--note", "run_bench: running inside the emulated x86 machine", "--",
                               sys.executable, os.path.abspath(script), build, *map(str, arguments)])


def forget_installations_and_work_folders(build):
    """An installed client would be started as it is, without the release; an earlier
    run's work folder may hold a hundred MiB."""
    wine_run = Path(build) / "wine-run"
    for root in ("HKCU", "HKLM"):
        subprocess.run([wine_run, "reg", "delete", root + "\\" + CLIENT_KEY, "/f"], stdin=subprocess.DEVNULL,
                       capture_output=True)
    for work in prefix_users(build).glob("*/Temp/Ostrel_client_install*"):
        shutil.rmtree(work, ignore_errors=True)


class Server:
    """The tests' web server, started in a folder of its own in memory where there is
    room: inside the emulated machine every read of a shared folder crosses over."""

    def __init__(self, prefix):
        scratch = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
        self.folder = Path(tempfile.mkdtemp(prefix=prefix, dir=scratch))
        subprocess.run([sys.executable, FIXTURE_SERVER, "start", self.folder], check=True)
        pairs = (line.split("=", 1) for line in (self.folder / "server.env").read_text().splitlines() if "=" in line)
        self.info = dict(pairs)
        self.log = Path(self.info["request_log"])

    def log_size(self):
        return self.log.stat().st_size if self.log.exists() else 0

    def requests_since(self, offset):
        if not self.log.exists():
            return []
        with open(self.log, "rb") as log:
            log.seek(offset)
            return [json.loads(line) for line in log.read().splitlines() if line.strip()]

    def stop(self):
        subprocess.run([sys.executable, FIXTURE_SERVER, "stop", self.folder])
        shutil.rmtree(self.folder, ignore_errors=True)


@contextmanager
def pinned_rig(build):
    """A fresh rig of the build's own, its wineserver started by this run and pinned to
    CPU 0, with no client installed at the start and none left at the end."""
    wine_run = Path(build) / "wine-run"
    subprocess.run([wine_run, "--stop"], check=True)
    subprocess.run([wine_run, "--start"], check=True)
    pin_wineserver(build)
    forget_installations_and_work_folders(build)
    try:
        yield
    finally:
        forget_installations_and_work_folders(build)
        subprocess.run([wine_run, "--stop"])


class Lines(threading.Thread):
    """Every line of a stream, each with the time it came out."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream, self.lines = stream, []
        self.start()

    def run(self):
        for raw in iter(self.stream.readline, b""):
            self.lines.append((time.time(), raw.decode("utf-8", "replace").rstrip("\r\n")))


class StandinRun:
    """The build's stand-in on a page, pinned to CPU 0, its output lines timed as they come."""

    def __init__(self, build, dll, page, run_ms, environment):
        self.run_ms = run_ms
        self.process = subprocess.Popen(
            PIN + [str(Path(build) / "wine-run"), str(Path(build) / "bin" / "browser_standin.exe"),
                   "--dll", windows_path(dll), "--run-ms", str(run_ms), windows_path(page)],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment)
        self.out, self.err = Lines(self.process.stdout), Lines(self.process.stderr)

    def wait(self):
        """The stand-in's exit code; None when it outlived its run by two minutes."""
        try:
            return self.process.wait(timeout=self.run_ms / 1000 + 120)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None

    def lines(self):
        """The timed lines of its output and of its error output. A Wine service that the run
        started may hold the output open after the stand-in ended: what came before is all
        that counts."""
        for reader in (self.out, self.err):
            reader.join(10)
        return list(self.out.lines), list(self.err.lines)
