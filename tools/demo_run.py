#!/usr/bin/env python3
"""The demo's run, started by tools/demo where Windows programs can start (inside the
emulated machine on hosts that cannot start them, so that the plug-in and the web server
share one loopback).

    demo_run.py BUILD [stand-in options]

Serves a release of the sample client from the fixture web server, writes a join page
that embeds the plug-in with that release, forgets any earlier installation, and runs the
browser stand-in on the page. What happens is printed as it happens, in one stream: the
stand-in's lines, the requests the server saw ("server: GET /..."), and the sample
updater's and client's record ("updater: ...", "client: ..."), and the plug-in's install
log line by line ("log: ..."). A run that goes well logs little; a second page, whose
configuration file the server has lost, fails, and the demo ends with every install-log
upload as the server received it ("received: ..."): the machine report, the log and the
separator. Everything lands in BUILD/demo.
"""

import codecs
import html
import json
import os
import re
import shutil
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tools" / "sample_client"))
import sample_release  # noqa: E402

CLIENT_KEY = r"HKCU\SOFTWARE\Ostrel Software, Inc.\Ostrel Client"
RUN_MS = 60000
# How long to wait, after the stand-in ended, for a client it started to finish.
CLIENT_GRACE_SECONDS = 30
POLL_SECONDS = 0.2
# How Wine shows what a program writes to the debug output.
DEBUG_OUTPUT = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')

PAGE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Joining the conference</title></head>
<body>
<!-- Written by the demo: the join page of a conferencing server on this machine. -->
<p>Starting the conferencing client&hellip;</p>
<embed type="application/x-ostrel-updater-plugin" width="320" height="60"
%s>
</body>
</html>
"""


def windows_path(path):
    """The path as Windows programs under Wine see it: drive Z: is the Unix root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Output:
    """One stream for the three sources; a line is never split by another."""

    def __init__(self):
        self.lock = threading.Lock()

    def line(self, text):
        with self.lock:
            print(text, flush=True)


class FileTail(threading.Thread):
    """Follows a file that others append whole lines to, handing each new line to show."""

    def __init__(self, path, show):
        super().__init__(daemon=True)
        self.path, self.show = Path(path), show
        self.position, self.pending, self.count = 0, b"", 0
        self.finished = threading.Event()

    def read_new_lines(self):
        if not self.path.exists():
            return
        with open(self.path, "rb") as source:
            source.seek(self.position)
            data = source.read()
        self.position += len(data)
        # A line counts once its line feed is there; the rest waits for the next look.
        *lines, self.pending = (self.pending + data).split(b"\n")
        for line in lines:
            self.count += 1
            self.show(line.decode("utf-8", "replace").rstrip("\r"))

    def run(self):
        while not self.finished.wait(POLL_SECONDS):
            self.read_new_lines()

    def stop(self):
        self.finished.set()
        self.join()
        self.read_new_lines()


def request_line(text):
    try:
        entry = json.loads(text)
    except ValueError:
        return "server: " + text
    return "server: %s %s" % (entry.get("method"), entry.get("target"))


def embed_attributes(release_parameters, configuration_url, http_port):
    attributes = [
        ("DocumentEncoding", "UTF-8"),
        ("ProgramTitle", "Ostrel Conferencing"),
        ("RedirectURL", configuration_url),
        *release_parameters,
        ("InstallMode", "true"),
        ("LaunchClient", "true"),
        ("CloseWindow", "true"),
        ("DownloadPrompt", "Downloading the conferencing client\u2026"),
        ("InstallLogURL", "http://127.0.0.1:%d/logs/conference/installlog" % http_port),
        ("InstallErrorHTTP", "The conferencing client could not be downloaded: %s"),
        ("TargetWindow", "_top"),
    ]
    return "\n".join('       %s="%s"' % (name, html.escape(value)) for name, value in attributes)


class Demo:
    def __init__(self, build, standin_options):
        self.build = Path(build).resolve()
        self.wine_run = self.build / "wine-run"
        self.standin_options = standin_options
        self.folder = self.build / "demo"
        self.server = self.folder / "server"
        self.record = self.folder / "record.txt"
        self.install_folder = self.folder / "Ostrel Client"  # a blank on purpose: the start must quote it
        self.page = self.folder / "page.html"
        self.failing_page = self.folder / "page-lost-configuration.html"
        self.out = Output()

    def say(self, text):
        self.out.line("demo: " + text)

    def wine(self, *args):
        return subprocess.run([str(self.wine_run), *args], stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, errors="replace")

    def clear_earlier_run(self):
        for old in (self.server / "files", self.install_folder):
            shutil.rmtree(old, ignore_errors=True)
        for old in (self.record, self.page, self.failing_page):
            if old.exists():
                old.unlink()
        self.folder.mkdir(parents=True, exist_ok=True)

    def start_server(self):
        subprocess.run([sys.executable, str(ROOT / "tests" / "fixtures" / "fixture_server.py"), "start",
                        str(self.server)], check=True)
        pairs = (line.split("=", 1) for line in (self.server / "server.env").read_text().splitlines() if "=" in line)
        return dict(pairs)

    def stop_server(self):
        subprocess.run([sys.executable, str(ROOT / "tests" / "fixtures" / "fixture_server.py"), "stop",
                        str(self.server)])

    def write_pages(self, http_port):
        base_url = "http://127.0.0.1:%d/files/release" % http_port
        folder = self.server / "files" / "release"
        # The sample's archives, with the package list and the page's parameters made from
        # them by tools/make-release, as an operator makes them.
        parameters = sample_release.make_release(folder, base_url, self.build / "bin")
        configuration_url = "%s/%s" % (base_url, sample_release.CONFIGURATION)
        self.page.write_text(PAGE % embed_attributes(parameters, configuration_url, http_port), encoding="utf-8")
        lost_url = "%s/lost-%s" % (base_url, sample_release.CONFIGURATION)
        self.failing_page.write_text(PAGE % embed_attributes(parameters, lost_url, http_port), encoding="utf-8")
        self.say("release of the sample client at %s/" % base_url)

    def show_standin_line(self, text):
        logged = DEBUG_OUTPUT.match(text)
        if not logged:
            self.out.line(text)
            return
        for line in codecs.decode(logged.group(1), "unicode_escape").splitlines():
            self.out.line("log: " + line)

    def run_standin(self, page):
        # The plug-in writes each finished install-log line to the debug output as well;
        # Wine hands that to its "debugstr" channel, shown here and nothing else of Wine's.
        environment = dict(os.environ, OSTREL_SAMPLE_RECORD=windows_path(self.record),
                           OSTREL_SAMPLE_INSTALL_DIR=windows_path(self.install_folder),
                           WINEDEBUG="-all,warn+debugstr")
        command = [str(self.wine_run), str(self.build / "bin" / "browser_standin.exe"), "--run-ms", str(RUN_MS),
                   *self.standin_options, windows_path(page)]
        standin = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, env=environment, text=True, errors="replace")
        # A client the plug-in started may hold the output open after the stand-in ends.
        reader = threading.Thread(target=lambda: [self.show_standin_line(l.rstrip("\n")) for l in standin.stdout],
                                  daemon=True)
        reader.start()
        code = standin.wait()
        reader.join(CLIENT_GRACE_SECONDS)
        return code

    def wait_for_started_client(self):
        deadline = time.monotonic() + CLIENT_GRACE_SECONDS
        while time.monotonic() < deadline:
            lines = self.record.read_text(errors="replace").splitlines() if self.record.exists() else []
            started = sum(l.startswith("client: command line") for l in lines)
            if started == sum(l == "client: exit" for l in lines):
                return
            time.sleep(POLL_SECONDS)

    def show_received_logs(self):
        """Each upload as the server got it: request line, headers and body."""
        folder = self.server / "received" / "conference" / "installlog"
        uploads = sorted(folder.glob("*.http")) if folder.exists() else []
        self.say("the server received %d install log upload(s)" % len(uploads))
        for upload in uploads:
            head, _, body = upload.read_bytes().partition(b"\r\n\r\n")
            self.out.line("received: " + head.decode("latin-1").split("\r\n", 1)[0])
            for line in body.decode("utf-8", errors="replace").split("\r\n")[:-1]:
                self.out.line("received: " + line)

    def summary(self, code, requests):
        registered = self.wine("reg", "query", CLIENT_KEY, "/v", "InstallDir")
        self.say("stand-in exit status %d; the server saw %d requests" % (code, requests))
        if registered.returncode == 0 and "InstallDir" in registered.stdout:
            self.say("installed: " + registered.stdout.split("REG_SZ", 1)[-1].strip())
        else:
            self.say("installed: nothing (no InstallDir under %s)" % CLIENT_KEY)
        self.say("pages %s, %s" % (self.page, self.failing_page))
        self.say("release %s" % (self.server / "files" / "release"))
        self.say("requests %s, record %s" % (self.server / "requests.log", self.record))
        self.say("install logs received %s" % (self.server / "received"))
        self.say("installation folder %s" % self.install_folder)

    def run(self):
        self.clear_earlier_run()
        server = self.start_server()
        try:
            self.write_pages(int(server["http_port"]))
            # Always a full install: an installation left by an earlier run would be started as it is.
            self.wine("reg", "delete", CLIENT_KEY, "/f")
            requests = FileTail(server["request_log"], lambda l: self.out.line(request_line(l)))
            record = FileTail(self.record, self.out.line)
            requests.start()
            record.start()
            self.say("loading the plug-in on %s" % windows_path(self.page))
            code = self.run_standin(self.page)
            self.wait_for_started_client()
            self.say("loading the plug-in on %s, whose configuration file the server has lost"
                     % windows_path(self.failing_page))
            self.run_standin(self.failing_page)
            requests.stop()
            record.stop()
            self.show_received_logs()
            self.summary(code, requests.count)
            return code
        finally:
            self.wine("--stop")
            self.stop_server()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    return Demo(sys.argv[1], sys.argv[2:]).run()


if __name__ == "__main__":
    sys.exit(main())
