#!/usr/bin/env python3
"""Time to client: from the page's plug-in to the started client, over a distant link (not a
test; timing never decides a test).

    bench/time_to_client/run_bench.py [BUILD_DIR] [ROUNDS]

Runs the whole install path of a machine the client has not reached yet, ROUNDS times
(default 3): the real plug-in (BUILD_DIR/bin/NPOstrelUpdater.dll) in the browser stand-in
on a page that embeds it with a release of the sample client, as the demo's release is (a
cabinet holding bin/updater.exe, a zip holding bin/client.exe and a readme, the package
list and the configuration file, by tools/sample_client/sample_release.py), InstallMode,
LaunchClient and CloseWindow "true". The plug-in fetches the configuration file and the
package list, fetches and unpacks both archives, runs the updater's install (which copies
the tree and registers it), has the installed updater start the client and waits for the
client's startup event. Every URL of the page goes through the fixture server's link path
(tests/fixtures/fixture_server.py, /link/50/2097152/...): 50 ms before each answer, the
body at 2 MiB/s.

Each round gives:
  to client      the first NPP_SetWindow's start (the stand-in's "NPP_SetWindow took N ms"
                 line, timed as it came out, less N) to the client's "startup event
                 signalled" line in the sample programs' record (a file this script
                 watches every 2 ms; the lines carry no time of their own)
  bare           the sum of bare transfers of the four files over the same link (each
                 fetched once by Python's urllib, fresh connection, timed to its last
                 byte) and of bare extractions of the two archives by native cabextract
                 and unzip (wall clock of the tool, its process start included)
  own overhead   to client - bare - the product's fixed waits within that span; goal:
                 under 5 % of to client, or under 300 ms
and where the time goes: a timeline of the requests the server saw (their arrival times
in its request log) and the record's lines, and from it the spans start-up, downloads
and unpacking, the updater's install run, the client's launch and the client's own
start, and the cost of one process start (the updater's "starting client" line to the
client's first line), of which the span holds three. Prints each round, then the medians.

Needs the build (the stand-in, the plug-in, the sample programs and the package-list
checker), gcab, cabextract and unzip. Do not run it while tests run: it restarts the
build's Wine rig. The Wine programs and the prefix's wineserver are pinned to CPU 0.
Where Windows programs start only inside the emulated x86 machine (tools/guest/run-windows,
under the build's lock BUILD_DIR/rig.guest-lock), the whole script runs in there, its
server too; times there are about 4 to 8 times the real ones.
"""
import codecs
import html
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 3

sys.path.insert(0, str(ROOT / "tools" / "sample_client"))
sys.path.insert(0, str(ROOT / "tools" / "release"))
sys.path.insert(0, str(ROOT / "bench"))
import make_release as release_tool  # noqa: E402
import sample_release  # noqa: E402
from standin_bench import (PLUGIN_TYPE, FirefoxProfile, Server, StandinRun, pinned_rig,  # noqa: E402
                           forget_installations_and_work_folders, run_where_windows_programs_start, windows_path)

STANDIN = BUILD / "bin" / "browser_standin.exe"
PLUGIN_DLL = BUILD / "bin" / "NPOstrelUpdater.dll"
RTT_MS = 50
BYTES_PER_S = 2 << 20
RELEASE = "release"
FILES = (sample_release.CONFIGURATION, release_tool.PACKAGE_LIST, sample_release.CABINET, sample_release.ZIP)
EXTRACTORS = {
    sample_release.CABINET: lambda archive, target: ["cabextract", "-q", "-d", target, archive],
    sample_release.ZIP: lambda archive, target: ["unzip", "-qo", archive, "-d", target],
}
# A safety net: each run ends when the plug-in closes the window, 2 s after the client's start.
RUN_MS = 120000
CLIENT_STAYS_MS = 500
RECORD_POLL_S = 0.002
GOAL_PERCENT, GOAL_MS = 5.0, 300.0
# The product's fixed waits around the launch, with their sources, and the share of each
# that falls between the first NPP_SetWindow and the client's startup signal.
FIXED_WAITS = (
    ("pause before the window closes, after the startup signal", "src/workflow/close_window.cpp",
     "kPauseBeforeCloseMs", 2000, 0),
    ("pause in NPP_Destroy after the worker's end", "src/entry/npp_callbacks.cpp", "kPauseAfterWorkerMs", 2000, 0),
)
# Only an upper bound, ended by the signal: no fixed wait.
STARTUP_WAIT = ("wait for the startup event, ended by it", "kStartupWaitMs", 20000, "src/workflow/close_window.cpp")
# The programs started between the first NPP_SetWindow and the startup signal: the
# updater's install run, the installed updater, the client.
PROCESS_STARTS = 3
DEBUG_OUTPUT = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')
SET_WINDOW = re.compile(r"^standin: NPP_SetWindow took (\d+) ms$")
CLIENT_UP = "client: startup event signalled"
INSTALL_START = re.compile(r"^updater: command line .* -install ")
LAUNCH_START = re.compile(r"^updater: command line (?!.* -install )")
# The spans between the first NPP_SetWindow and the startup signal, one after another: to
# the first request; from it to the install run's start (fetches, unpacking, the updater's
# process start); the install run; from its end to the client's start (the installed
# updater's run); the client's own start up to its signal.
SPANS = ("start-up", "downloads and unpacking", "install run", "client's launch", "client's own start")


class RecordWatch(threading.Thread):
    """The sample programs' record file, each new whole line with the time it was seen."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path, self.lines, self.done = path, [], threading.Event()
        self.position, self.pending = 0, b""
        self.start()

    def look(self):
        try:
            with open(self.path, "rb") as record:
                record.seek(self.position)
                data = record.read()
        except FileNotFoundError:
            return
        if data:
            seen = time.time()
            self.position += len(data)
            *whole, self.pending = (self.pending + data).split(b"\n")
            self.lines += [(seen, line.decode("utf-8", "replace").rstrip("\r")) for line in whole]

    def run(self):
        while not self.done.wait(RECORD_POLL_S):
            self.look()

    def stop(self):
        self.done.set()
        self.join()
        self.look()


def write_page(path, link, parameters):
    attributes = [("RedirectURL", "%s/%s/%s" % (link, RELEASE, sample_release.CONFIGURATION)), *parameters,
                  ("InstallMode", "true"), ("LaunchClient", "true"), ("CloseWindow", "true")]
    path.write_text('<html><body><embed type="%s" width="320" height="60" %s></body></html>' %
                    (PLUGIN_TYPE, " ".join('%s="%s"' % (n, html.escape(v, quote=True)) for n, v in attributes)))


class Run:
    """One round's output: the stand-in's lines, the install log, the record and the requests."""

    def __init__(self, code, out, err, record, requests):
        self.code, self.out, self.record, self.requests = code, out, record, requests
        self.log = [(at, line) for at, text in err for match in [DEBUG_OUTPUT.match(text)] if match
                    for line in codecs.decode(match.group(1), "unicode_escape").splitlines()]

    def first_set_window(self):
        return next((at - int(m.group(1)) / 1000 for at, line in self.out for m in [SET_WINDOW.match(line)] if m),
                    None)

    def record_time(self, test):
        return next((at for at, line in self.record if test(line)), None)

    def dump(self):
        parts = [line for _, line in self.out] + ["log: " + line for _, line in self.log]
        return "\n".join(parts + ["record: " + line for _, line in self.record])


def run_once(server, page, record):
    if record.exists():
        record.unlink()
    forget_installations_and_work_folders(BUILD)
    shutil.rmtree(page.parent / "installed", ignore_errors=True)
    offset = server.log_size()
    environment = dict(os.environ, WINEDEBUG="-all,warn+debugstr", OSTREL_SAMPLE_RECORD=windows_path(record),
                       OSTREL_SAMPLE_INSTALL_DIR=windows_path(page.parent / "installed"),
                       OSTREL_SAMPLE_CLIENT_MS=str(CLIENT_STAYS_MS))
    watch = RecordWatch(record)
    standin = StandinRun(BUILD, PLUGIN_DLL, page, RUN_MS, environment)
    code = standin.wait()
    # The client stays a moment after the stand-in's end; its exit is the record's last line.
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and not any(line == "client: exit" for _, line in watch.lines):
        time.sleep(0.1)
    watch.stop()
    out, err = standin.lines()
    return Run(code, out, err, list(watch.lines), server.requests_since(offset))


def bare_transfers(link):
    """Seconds of each file's bare fetch over the link, to its last byte."""
    seconds = {}
    for name in FILES:
        start = time.time()
        with urllib.request.urlopen("%s/%s/%s" % (link, RELEASE, name)) as answer:
            answer.read()
        seconds[name] = time.time() - start
    return seconds


def bare_extractions(release):
    """Seconds of native cabextract and unzip on the two archives, wall clock."""
    seconds = {}
    for name, command in EXTRACTORS.items():
        with tempfile.TemporaryDirectory(prefix="bench-unpack-") as target:
            start = time.time()
            subprocess.run(command(str(release / name), target), check=True, stdout=subprocess.DEVNULL)
            seconds[name] = time.time() - start
    return seconds


def problems(run):
    found = []
    if run.code != 0:
        found.append("the stand-in ended with %s" % run.code)
    if run.first_set_window() is None:
        found.append("no NPP_SetWindow was timed")
    for test, what in ((lambda l: l == CLIENT_UP, "the client's startup signal"),
                       (INSTALL_START.match, "the updater's install run"), (LAUNCH_START.match, "the client's launch"),
                       (lambda l: l.startswith("updater: starting client"), "the updater's start of the client"),
                       (lambda l: l.startswith("client: command line"), "the client's first line")):
        if run.record_time(test) is None:
            found.append("the record lacks %s" % what)
    if not run.requests:
        found.append("the server saw no request")
    return found


def file_name(entry):
    return entry["path"].rsplit("/", 1)[-1]


def timeline(run, t0):
    """(ms from the first NPP_SetWindow, what) for each request and record line, in order."""
    events = [(entry["time"], "request " + file_name(entry)) for entry in run.requests]
    events += [(at, line[:90]) for at, line in run.record]
    return sorted(((at - t0) * 1000, what) for at, what in events)


def measure_round(run, transfers, extractions):
    """The round's figures in ms."""
    t0 = run.first_set_window()
    up = run.record_time(lambda l: l == CLIENT_UP)
    install = run.record_time(INSTALL_START.match)
    installed = run.record_time(lambda l: l.startswith("updater: exit"))
    client = run.record_time(lambda l: l.startswith("client: command line"))
    starting = run.record_time(lambda l: l.startswith("updater: starting client"))
    first_request = min(entry["time"] for entry in run.requests)
    whole = (up - t0) * 1000
    bare = sum(transfers.values()) * 1000 + sum(extractions.values()) * 1000
    fixed = sum(within for *_, within in FIXED_WAITS)
    asked = [file_name(entry) for entry in run.requests if entry["time"] <= up]
    figures = {
        "to client": whole, "bare": bare, "bare transfers": sum(transfers.values()) * 1000,
        "bare extractions": sum(extractions.values()) * 1000, "overhead": whole - bare - fixed,
        "requests": len(asked), "requests' bare time": sum(transfers.get(name, RTT_MS / 1000) for name in asked) * 1000,
        "start-up": (first_request - t0) * 1000, "downloads and unpacking": (install - first_request) * 1000,
        "install run": (installed - install) * 1000, "client's launch": (client - installed) * 1000,
        "client's own start": (up - client) * 1000, "process start": (client - starting) * 1000,
    }
    figures["overhead less process starts"] = (figures["overhead"] - PROCESS_STARTS * figures["process start"] -
                                               figures["client's own start"])
    figures.update(after_transfers(run, transfers, up))
    return figures


def after_transfers(run, transfers, up):
    """For each archive: the time from its request to the next request or record line,
    less its bare transfer: its unpacking and the plug-in's own work around it."""
    events = sorted([entry["time"] for entry in run.requests] + [at for at, _ in run.record])
    found = {}
    for entry in run.requests:
        name = file_name(entry)
        if name in (sample_release.CABINET, sample_release.ZIP) and entry["time"] < up:
            following = next((at for at in events if at > entry["time"]), up)
            found["after %s" % name] = (following - entry["time"] - transfers[name]) * 1000
    return found


def print_round(number, run, figures):
    t0 = run.first_set_window()
    print("round %d: to client %.0f ms, bare %.0f ms (transfers %.0f, extractions %.0f), own overhead %.0f ms "
          "(%.1f %%)" % (number, figures["to client"], figures["bare"], figures["bare transfers"],
                         figures["bare extractions"], figures["overhead"],
                         100 * figures["overhead"] / figures["to client"]))
    for at, what in timeline(run, t0):
        print("  %8.0f ms  %s" % (at, what))
    print("  spans: " + ", ".join("%s %.0f ms" % (span, figures[span]) for span in SPANS), flush=True)


def report(rounds, sizes):
    middle = {key: statistics.median(figures[key] for figures in rounds) for key in rounds[0]}
    print("\nmedians of %d rounds, link: %d ms before each answer, %.0f MiB/s; files: %s" %
          (len(rounds), RTT_MS, BYTES_PER_S / 2**20, ", ".join("%s %d B" % item for item in sizes.items())))
    whole = middle["to client"]
    print("  to client (first NPP_SetWindow to the client's startup signal)  %8.0f ms" % whole)
    print("  bare transfers of the four files, once each (Python urllib)    %8.0f ms" % middle["bare transfers"])
    print("  bare extractions (native cabextract and unzip, wall clock)     %8.0f ms" % middle["bare extractions"])
    print("  the product's fixed waits within the span                      %8.0f ms" %
          sum(within for *_, within in FIXED_WAITS))
    for what, source, name, ms, within in FIXED_WAITS:
        print("      %s: %s %d ms (%s), %d ms of it within" % (what, name, ms, source, within))
    print("      %s: %s up to %d ms (%s), no fixed time" % STARTUP_WAIT)
    percent = 100 * middle["overhead"] / whole
    met = percent < GOAL_PERCENT or middle["overhead"] < GOAL_MS
    print("  own overhead  %.0f ms, %.1f %% of the whole (goal: under %g %% or under %g ms: %s)" %
          (middle["overhead"], percent, GOAL_PERCENT, GOAL_MS, "met" if met else "not met"))
    print("where the time goes (medians, ms):")
    for span in SPANS:
        print("  %-26s %8.0f" % (span, middle[span]))
    print("  requests before the startup signal: %d, their bare transfers %.0f ms" %
          (middle["requests"], middle["requests' bare time"]))
    for key in sorted(k for k in middle if k.startswith("after ")):
        print("  %s, less its bare transfer (its unpacking and the plug-in's work): %.0f ms" % (key, middle[key]))
    print("  process starts: %d (the install run, the installed updater, the client); one, from the updater's "
          "\"starting client\" line to the client's first line, took %.0f ms" % (PROCESS_STARTS, middle["process start"]))
    print("  own overhead less %d such starts and the client's own start: %.0f ms" %
          (PROCESS_STARTS, middle["overhead less process starts"]))
    if os.environ.get("OSTREL_IN_GUEST"):
        print("Inside the emulated x86 machine: times there are about 4 to 8 times the real ones; the link's "
              "waits are real time.")
    print("Wine programs and the prefix's wineserver pinned to CPU 0.")


def link_of(server):
    """The server's link path: RTT_MS before each answer, the body at BYTES_PER_S."""
    return "http://127.0.0.1:%s/link/%d/%d" % (server.info["http_port"], RTT_MS, BYTES_PER_S)


def measure(server):
    link = link_of(server)
    release = server.folder / "files" / RELEASE
    parameters = sample_release.make_release(release, "%s/%s" % (link, RELEASE), BUILD / "bin")
    sizes = {name: (release / name).stat().st_size for name in FILES}
    page = server.folder / "page.html"
    write_page(page, link, parameters)
    record = server.folder / "record.txt"
    rounds = []
    for number in range(1, ROUNDS + 1):
        run = run_once(server, page, record)
        found = problems(run)
        if found:
            sys.exit("run_bench: round %d: %s\n%s" % (number, "; ".join(found), run.dump()))
        figures = measure_round(run, bare_transfers(link), bare_extractions(release))
        print_round(number, run, figures)
        rounds.append(figures)
    report(rounds, sizes)


def main():
    for needed in (STANDIN, PLUGIN_DLL, BUILD / "bin" / "sample_client" / "client.exe", BUILD / "release_check"):
        if not needed.exists():
            sys.exit("run_bench: %s is missing: build the project first" % needed)
    for tool in ("gcab", "cabextract", "unzip"):
        if not shutil.which(tool):
            sys.exit("run_bench: %s is missing (tools/install-deps installs it)" % tool)
    run_where_windows_programs_start(BUILD, __file__, ROUNDS)
    with pinned_rig(BUILD):
        server = Server("bench-time-to-client-")
        try:
            with FirefoxProfile(BUILD, "bench.default"):
                measure(server)
        finally:
            server.stop()


if __name__ == "__main__":
    main()
