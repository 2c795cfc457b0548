#!/usr/bin/env python3
"""The demo's run, started by tools/demo where Windows programs can start (inside the
emulated machine on hosts that cannot start them, so that the plug-in and the web server
share one loopback).

    demo_run.py BUILD [stand-in options]

Serves a release of the sample client from the fixture web server, signed with the
build's test key "first" (BUILD/release-keys/first.pem: a demo key the build made at its
first run, of no value as a secret), and loads the keyed plug-in
(BUILD/bin/signed/NPOstrelUpdater.dll, which trusts that key) in the browser stand-in on
three pages, one after another:
  1. the join page, which embeds the plug-in with that release: the release is checked
     ("Release V of D, signed by release key 1 of 2."), installed and started;
  2. a join page whose configuration file the server has lost: that run fails, and the
     installed updater is not started ("The client is not started: ...");
  3. a page of another site that names its own configuration file, package list and an
     unsigned cabinet holding its own bin\\updater.exe, with InstallMode "true", on a
     machine the client has not reached yet (the installation is forgotten first: with
     the client installed, a page only has the installed updater start it): the plug-in
     refuses the release ("Release refused: ..."), and no updater runs.
What happens is printed as it happens, in one stream: the stand-in's lines, the requests
the server saw ("server: GET /..."), the sample updater's and client's record
("updater: ...", "client: ..."), and the plug-in's install log line by line ("log: ...").
The pages send their install logs to the operator's receiver (tools/log-receiver, with a
store of its own in BUILD/demo/receiver). The demo ends with every upload as the receiver
stored it ("received: ..."): the machine report, the log and the separator; then a
summary of what came of each page, the receiver's own summary ("receiver: ...") and how
to open its dashboard. Everything lands in BUILD/demo.
"""

import codecs
import collections
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
sys.path.insert(0, str(ROOT / "tools" / "release"))
import make_release as release_tool  # noqa: E402
import release_manifest  # noqa: E402
import sample_release  # noqa: E402
from demo_receiver import DemoReceiver  # noqa: E402

CLIENT_KEY = r"HKCU\SOFTWARE\Ostrel Software, Inc.\Ostrel Client"
RUN_MS = 60000
# How long to wait, after the stand-in ended, for a client it started to finish.
CLIENT_GRACE_SECONDS = 30
POLL_SECONDS = 0.2
# How Wine shows what a program writes to the debug output.
DEBUG_OUTPUT = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')
# The plug-in that trusts the build's test keys "first" and "second", and the key of the
# two that signs the demo's release; both under the build folder.
SIGNED_DLL = Path("bin") / "signed" / "NPOstrelUpdater.dll"
DEMO_KEY = "first"
# The other site's release: its cabinet and its configuration file.
ELSEWHERE_CABINET = "meeting-tools.cab"
ELSEWHERE_CONFIGURATION = "join.oscf"
FOREIGN_README = b"Meeting tools, from another site: nobody signed this release.\r\n"
# The program title and product of each site, as its pages name them.
CONFERENCE = ("Ostrel Conferencing", "conferencing client")
ELSEWHERE = ("Meeting Tools", "meeting tools")
# The install-log lines that tell how a page's update went, for the summary.
REFUSED = "Release refused: "
TELLING_LINES = ("Release ", "DownloadFile failed to open URL", "Unable to download client files",
                 "The client is not started")

PAGE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>%(title)s</title></head>
<body>
<!-- Written by the demo: %(about)s -->
<p>%(text)s</p>
<embed type="application/x-ostrel-updater-plugin" width="320" height="60"
%(embed)s>
</body>
</html>
"""

# A page the demo loads: where it is written, what it is (for the demo's lines), the
# receiver path of its site's install log (below /logs/), and whether the plug-in is
# meant to refuse its release.
Page = collections.namedtuple("Page", "path about receiver meant_refused")
# What came of a page: the stand-in's exit status, how many times an updater started,
# the lines of the install logs its run uploaded, and the registered installation after
# it (None: none).
Outcome = collections.namedtuple("Outcome", "code updater_runs log installed")


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


def upload_text(upload):
    """An upload as the receiver stored it: its request line and the lines of its body."""
    request, body = upload
    return request, body.decode("utf-8", errors="replace").split("\r\n")[:-1]


def embed_attributes(release_parameters, configuration_url, log_url, program_title, product):
    """The embed's attributes of a page of a site whose program (product, in the page's
    texts) has that title."""
    attributes = [
        ("DocumentEncoding", "UTF-8"),
        ("ProgramTitle", program_title),
        ("RedirectURL", configuration_url),
        *release_parameters,
        ("InstallMode", "true"),
        ("LaunchClient", "true"),
        ("CloseWindow", "true"),
        ("DownloadPrompt", "Downloading the %s\u2026" % product),
        ("InstallLogURL", log_url),
        # The plug-in puts the server's status text where the page has "%s".
        ("InstallErrorHTTP", "The " + product + " could not be downloaded: %s"),
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
        self.key = self.build / "release-keys" / (DEMO_KEY + ".pem")
        self.public_key = self.build / "release-keys" / (DEMO_KEY + ".pub.pem")
        self.pages = [
            Page(self.folder / "page.html", "the join page, its release signed with the demo key",
                 "conference/installlog", False),
            Page(self.folder / "page-lost-configuration.html",
                 "a join page whose configuration file the server has lost", "conference/installlog", False),
            Page(self.folder / "page-elsewhere.html",
                 "a page of another site, with its own unsigned release and InstallMode \"true\"",
                 "elsewhere/installlog", True),
        ]
        self.out = Output()
        self.receiver = DemoReceiver(self.folder / "receiver")

    def say(self, text):
        self.out.line("demo: " + text)

    def wine(self, *args):
        return subprocess.run([str(self.wine_run), *args], stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, errors="replace")

    def clear_earlier_run(self):
        for old in (self.server / "files", self.install_folder):
            shutil.rmtree(old, ignore_errors=True)
        for old in (self.record, *(page.path for page in self.pages)):
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

    def write_page(self, page, title, text, embed):
        page.path.write_text(PAGE % {"title": title, "about": page.about, "text": text, "embed": embed},
                             encoding="utf-8")

    def signed_release(self, http_port):
        """The sample's archives and configuration file, with the package list and the
        page's parameters made from them by tools/make-release, as an operator makes them;
        then make-release again over the same archives with the demo key, as an operator
        signs a release: the same package list, and its manifest beside it. Returns the
        release's URL and the page's parameters."""
        base_url = "http://127.0.0.1:%d/files/release" % http_port
        folder = self.server / "files" / "release"
        parameters = sample_release.make_release(folder, base_url, self.build / "bin")
        release_tool.make_release(folder, base_url, checker_build=self.build / "release_check",
                                  signing_key=str(self.key))
        # The operator's check before publishing, with the key's public half.
        manifest = release_manifest.verify_release(folder, self.public_key, release_tool.PACKAGE_LIST)
        self.say("release of the sample client at %s/, version %s of %s, signed with %s: a demo key the build "
                 "made at its first run, of no value as a secret" % (base_url, manifest.version, manifest.date,
                                                                      self.key))
        return base_url, parameters

    def foreign_release(self, http_port):
        """Another site's release, which nobody signed: a cabinet holding its own
        bin\\updater.exe (a copy of the sample updater) and a readme, its package list and
        page parameters by make-release, and a configuration file naming that list.
        Returns the URL of its configuration file and the page's parameters."""
        base_url = "http://127.0.0.1:%d/files/elsewhere" % http_port
        folder = self.server / "files" / "elsewhere"
        folder.mkdir(parents=True, exist_ok=True)
        updater = (self.build / "bin" / sample_release.PROGRAM_FOLDER / "updater.exe").read_bytes()
        sample_release.make_cabinet(folder / ELSEWHERE_CABINET,
                                    {"bin/updater.exe": updater, "readme.txt": FOREIGN_README})
        parameters, _ = release_tool.make_release(folder, base_url, configuration=ELSEWHERE_CONFIGURATION,
                                                  checker_build=self.build / "release_check")
        self.say("another site's unsigned release at %s/: %s holds its own bin\\updater.exe"
                 % (base_url, ELSEWHERE_CABINET))
        return "%s/%s" % (base_url, ELSEWHERE_CONFIGURATION), parameters

    def write_pages(self, http_port):
        join, lost, elsewhere = self.pages
        base_url, parameters = self.signed_release(http_port)
        conference_log = self.receiver.url(join.receiver)
        join_text = "Starting the conferencing client&hellip;"
        configuration_url = "%s/%s" % (base_url, sample_release.CONFIGURATION)
        self.write_page(join, "Joining the conference", join_text,
                        embed_attributes(parameters, configuration_url, conference_log, *CONFERENCE))
        lost_url = "%s/lost-%s" % (base_url, sample_release.CONFIGURATION)
        self.write_page(lost, "Joining the conference", join_text,
                        embed_attributes(parameters, lost_url, conference_log, *CONFERENCE))
        foreign_configuration, foreign_parameters = self.foreign_release(http_port)
        elsewhere_log = self.receiver.url(elsewhere.receiver)
        self.write_page(elsewhere, "Meeting tools", "Setting up the meeting tools&hellip;",
                        embed_attributes(foreign_parameters, foreign_configuration, elsewhere_log, *ELSEWHERE))

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
        # The keyed plug-in, named before the caller's options so that a --dll of theirs wins.
        command = [str(self.wine_run), str(self.build / "bin" / "browser_standin.exe"), "--run-ms", str(RUN_MS),
                   "--dll", windows_path(self.build / SIGNED_DLL), *self.standin_options, windows_path(page)]
        standin = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, env=environment, text=True, errors="replace")
        # A client the plug-in started may hold the output open after the stand-in ends.
        reader = threading.Thread(target=lambda: [self.show_standin_line(l.rstrip("\n")) for l in standin.stdout],
                                  daemon=True)
        reader.start()
        code = standin.wait()
        reader.join(CLIENT_GRACE_SECONDS)
        return code

    def record_lines(self):
        return self.record.read_text(errors="replace").splitlines() if self.record.exists() else []

    def wait_for_started_client(self):
        deadline = time.monotonic() + CLIENT_GRACE_SECONDS
        while time.monotonic() < deadline:
            lines = self.record_lines()
            started = sum(l.startswith("client: command line") for l in lines)
            if started == sum(l == "client: exit" for l in lines):
                return
            time.sleep(POLL_SECONDS)

    def updater_runs(self):
        return sum(line.startswith("updater: command line") for line in self.record_lines())

    def uploads(self, receiver):
        return self.receiver.uploads(receiver)

    def installed(self):
        """The registered installation folder, or None."""
        registered = self.wine("reg", "query", CLIENT_KEY, "/v", "InstallDir")
        if registered.returncode == 0 and "InstallDir" in registered.stdout:
            return registered.stdout.split("REG_SZ", 1)[-1].strip()
        return None

    def load(self, page):
        """Runs the stand-in on page and waits for a client it started; what came of it."""
        uploads_before, runs_before = len(self.uploads(page.receiver)), self.updater_runs()
        self.say("loading the plug-in on %s, %s" % (windows_path(page.path), page.about))
        code = self.run_standin(page.path)
        self.wait_for_started_client()
        log = [line for upload in self.uploads(page.receiver)[uploads_before:] for line in upload_text(upload)[1]]
        return Outcome(code, self.updater_runs() - runs_before, log, self.installed())

    def show_received_logs(self):
        """Each upload as the server got it, the conference's receiver first: request line
        and body."""
        uploads = [upload for receiver in dict.fromkeys(page.receiver for page in self.pages)
                   for upload in self.uploads(receiver)]
        self.say("the receiver stored %d install log upload(s)" % len(uploads))
        for upload in uploads:
            request, lines = upload_text(upload)
            self.out.line("received: " + request)
            for line in lines:
                self.out.line("received: " + line)

    def page_summary(self, number, page, outcome):
        refused = any(line.startswith(REFUSED) for line in outcome.log)
        verdict = "release refused" if refused else ("release NOT refused" if page.meant_refused else "")
        ran = ("no updater ran" if outcome.updater_runs == 0 else
               "an updater ran %d time(s)" % outcome.updater_runs)
        facts = [verdict, ran, "installed: %s" % (outcome.installed or "nothing"),
                 "stand-in exit status %d" % outcome.code]
        self.say("%d. %s: %s" % (number, page.about, "; ".join(fact for fact in facts if fact)))
        for line in outcome.log:
            if line.startswith(TELLING_LINES):
                self.say("   " + line)

    def summary(self, outcomes, requests):
        self.say("the server saw %d requests; what came of each page:" % requests)
        for number, (page, outcome) in enumerate(zip(self.pages, outcomes), 1):
            self.page_summary(number, page, outcome)
        self.say("pages %s" % ", ".join(str(page.path) for page in self.pages))
        self.say("releases %s, %s" % (self.server / "files" / "release", self.server / "files" / "elsewhere"))
        self.say("requests %s, record %s" % (self.server / "requests.log", self.record))
        self.say("install logs received %s" % self.receiver.store_url)
        self.say("installation folder %s" % self.install_folder)
        self.say("what the receiver made of the install logs (its summary):")
        for line in self.receiver.summary_lines():
            self.out.line("receiver: " + line)
        for line in self.receiver.dashboard_lines():
            self.say(line)

    def run(self):
        self.clear_earlier_run()
        server = self.start_server()
        try:
            self.receiver.start()
            self.write_pages(int(server["http_port"]))
            # Always a full install: an installation left by an earlier run would be started as it is.
            self.wine("reg", "delete", CLIENT_KEY, "/f")
            requests = FileTail(server["request_log"], lambda l: self.out.line(request_line(l)))
            record = FileTail(self.record, self.out.line)
            requests.start()
            record.start()
            join, lost, elsewhere = self.pages
            outcomes = [self.load(join), self.load(lost)]
            # With the client installed, a page of any site only has the installed updater
            # start it, and no release is fetched: the page from elsewhere comes to a
            # machine the client has not reached yet.
            self.say("forgetting the installation, as on a machine the client has not reached yet")
            self.wine("reg", "delete", CLIENT_KEY, "/f")
            outcomes.append(self.load(elsewhere))
            requests.stop()
            record.stop()
            self.show_received_logs()
            self.summary(outcomes, requests.count)
            return next((outcome.code for outcome in outcomes if outcome.code != 0), 0)
        finally:
            self.wine("--stop")
            self.receiver.stop()
            self.stop_server()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        return Demo(sys.argv[1], sys.argv[2:]).run()
    except (release_tool.ReleaseError, release_manifest.ManifestError) as error:
        print("demo: the releases could not be made: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
