#!/usr/bin/env python3
"""Added time of a signed release's verification (not a test; timing never decides a test).

    bench/signing/run_bench.py [BUILD_DIR] [ROUNDS] [MEGABYTES] [PACE_MS]

Makes, once for each size, a release of two zips of MEGABYTES MiB (default 50) of random
bytes each, stored since they cannot be compressed, and signs it at every start with
tools/make-release and the build's test key BUILD_DIR/release-keys/first.pem (the build
makes its test keys anew, and the plug-in with keys trusts the build's own). Then serves
it from the tests' web server (tests/fixtures/fixture_server.py, a server of its own) and
runs the real plug-in in the browser stand-in on a page that installs and launches
nothing: the configuration file and the package list are fetched, both archives fetched
and unpacked into the work folder, and the page is sent on to its RedirectURL, which ends
the run. With PACE_MS, the server sends every file of the release in pieces of 16 KiB
with a pause of PACE_MS ms before each (tests/fixtures/fixture_server.py's /paced/ path):
a link slower than the loopback, on which the digests need not hold the transfer up
(4 gives about 4 MiB/s). Each of ROUNDS rounds (default 5) runs, in this order:

    A  the plug-in with release keys (bin/signed/), the page gives FileSha256
    B  the plug-in without (bin/), the same page
    C  the plug-in without, the page gives no FileSha256

A fetches the manifest beside the package list, checks its signature and the list's
digest, and holds each archive to the manifest's size and digest. A and B both compute
each archive's SHA-256 (through CryptoAPI) while it arrives, so A - B is the cost of the
manifest and its signature; C computes none, so B - C is the cost of the digests. From
the times the server logs each request's arrival and the times the stand-in's lines come
out, each run gives:

    list to archives    the package list's request to the first archive's: A fetches and
                        checks the manifest in there
    archives' transfer  each archive from its request to the progress bar standing at
                        the archive's share of the total, added up (the unpacking that
                        follows each is left out); the stand-in looks at the bar every
                        50 ms, so each end is seen up to 50 ms late
    whole update        the configuration file's request to the run's end

Prints each run, then the medians (the fastest round in brackets), the added time A - B
against the download time of the run (B's archives' transfer) with the goal beside it
(under 2 %), and the digests' cost B - C.

Needs the build: the stand-in, both plug-ins, the test keys and the package-list checker
(BUILD_DIR/release_check). Do not run it while tests run: it restarts the build's Wine
rig. The Wine programs and the prefix's wineserver are pinned to CPU 0. Where Windows
programs start only inside the emulated x86 machine (tools/guest/run-windows), the
release is made and signed here first, then the whole script runs in there, its server
too, with the release copied into the machine's memory; emulated times are many times
the real ones, so only the ratios say much there.
"""
import codecs
import html
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
MEGABYTES = int(sys.argv[3]) if len(sys.argv) > 3 else 50
PACE_MS = int(sys.argv[4]) if len(sys.argv) > 4 else None

sys.path.insert(0, str(ROOT / "tools" / "release"))
import make_release as release_tool  # noqa: E402
import release_manifest  # noqa: E402
sys.path.insert(0, str(ROOT / "bench"))
from standin_bench import (PLUGIN_TYPE, Server, StandinRun, pinned_rig,  # noqa: E402
                           run_where_windows_programs_start)

# One folder per size, so that a run at another size never takes the archives of this one.
WORK = BUILD / "bench-signing" / ("%dMiB" % MEGABYTES)
STANDIN = BUILD / "bin" / "browser_standin.exe"
KEYED_DLL = BUILD / "bin" / "signed" / "NPOstrelUpdater.dll"
KEYLESS_DLL = BUILD / "bin" / "NPOstrelUpdater.dll"
SIGNING_KEY = BUILD / "release-keys" / "first.pem"
CHECKER_BUILD = BUILD / "release_check"
ARCHIVES = ("data1.zip", "data2.zip")
MANIFEST = release_tool.PACKAGE_LIST + release_manifest.SUFFIX
CONFIGURATION = "launch.oscf"
RELEASE_PATH = "/files/release/" if PACE_MS is None else "/paced/%d/release/" % PACE_MS
VERSION, DATE = "1.0.0.0", "2026-01-01"
# A safety net: each run ends by the plug-in's redirect.
RUN_MS = 300000
# How Wine shows what a program writes to the debug output (the plug-in's install log).
DEBUG_OUTPUT = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')
PROGRESS = re.compile(r"^standin: progress (\d+)%$")
RUN_END = "standin: run ended: the page was replaced"
SIGNED_LINE = "Release %s of %s, signed by release key 1 of 2." % (VERSION, DATE)
UNCHECKED_LINE = "Releases are not checked for a signature: this plug-in carries no release key."
FAILURES = ("Unable to download", "Release refused", "The package file could not be unpacked")
SPANS = (("list to archives", "before"), ("archives' transfer", "transfer"), ("whole update", "update"))
GOAL_PERCENT = 2.0


class Contender:
    def __init__(self, letter, what, dll, digests):
        self.letter, self.what, self.dll, self.digests = letter, what, dll, digests
        self.keyed = dll == KEYED_DLL
        self.page = None
        self.spans = {key: [] for _, key in SPANS}


CONTENDERS = (
    Contender("A", "plug-in with release keys (bin/signed/), the page gives FileSha256", KEYED_DLL, True),
    Contender("B", "plug-in without release keys (bin/), the page gives FileSha256", KEYLESS_DLL, True),
    Contender("C", "plug-in without release keys (bin/), the page gives no FileSha256", KEYLESS_DLL, False),
)


def make_release():
    """The two archives, made once for the size, and their package list and manifest,
    signed anew each time (the build may have made new test keys since)."""
    WORK.mkdir(parents=True, exist_ok=True)
    for number, name in enumerate(ARCHIVES, 1):
        path = WORK / name
        if path.exists():
            continue
        # Written aside and moved into place whole: make-release reads every .zip here.
        partial = WORK / (name + ".part")
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_STORED) as archive:
            archive.writestr("bench/data%d.bin" % number, random.Random(number).randbytes(MEGABYTES << 20))
        partial.replace(path)
    # The page's parameters are made at run time for the server's own URL.
    release_tool.make_release(WORK, "http://127.0.0.1/files/release", checker_build=CHECKER_BUILD,
                              signing_key=SIGNING_KEY, version=VERSION, date=DATE)


def serve_release(server):
    """The release in the server's folder, with its configuration file for the server's
    URL; the page's parameters for the archives, as make-release gives them."""
    folder = server.folder / "files" / "release"
    folder.mkdir(parents=True)
    for name in (*ARCHIVES, release_tool.PACKAGE_LIST, MANIFEST):
        shutil.copyfile(WORK / name, folder / name)
    base_url = "http://127.0.0.1:%s%s" % (server.info["http_port"], RELEASE_PATH.rstrip("/"))
    (folder / CONFIGURATION).write_bytes(release_tool.configuration_text(base_url).encode())
    manifest = release_manifest.read_manifest((folder / MANIFEST).read_bytes())
    archives = [(entry.name, entry.size, entry.sha256, {}) for entry in manifest.files]
    return base_url, release_tool.embed_parameters(archives, base_url)


def write_page(path, parameters):
    attributes = " ".join('%s="%s"' % (name, html.escape(value, quote=True)) for name, value in parameters)
    path.write_text('<html><body><embed type="%s" width="320" height="60" %s></body></html>' %
                    (PLUGIN_TYPE, attributes))


class Run:
    def __init__(self, code, out, err, requests):
        self.code, self.out, self.err, self.requests = code, out, err, requests

    def install_log(self):
        return [line for _, text in self.err for match in [DEBUG_OUTPUT.match(text)] if match
                for line in codecs.decode(match.group(1), "unicode_escape").splitlines()]

    def asked(self, name):
        """The arrival times of the requests for the release's file of that name."""
        return [entry["time"] for entry in self.requests if entry["path"] == RELEASE_PATH + name]

    def first_line_time(self, text):
        return next((at for at, line in self.out if line == text), None)

    def dump(self):
        return "\n".join(line for _, line in self.out + self.err)


def run_once(server, contender):
    offset = server.log_size()
    environment = dict(os.environ, WINEDEBUG="-all,warn+debugstr")
    standin = StandinRun(BUILD, contender.dll, contender.page, RUN_MS, environment)
    code = standin.wait()
    out, err = standin.lines()
    return Run(code, out, err, server.requests_since(offset))


def problems(run, contender):
    """What makes the run other than the one measured, if anything."""
    found = []
    if run.code != 0:
        found.append("the stand-in ended with %s" % run.code)
    if run.first_line_time(RUN_END) is None:
        found.append("the run did not end with the redirect")
    for name in (CONFIGURATION, release_tool.PACKAGE_LIST, *ARCHIVES):
        if len(run.asked(name)) != 1:
            found.append("%s was asked for %d times" % (name, len(run.asked(name))))
    if len(run.asked(MANIFEST)) != (1 if contender.keyed else 0):
        found.append("the manifest was asked for %d times" % len(run.asked(MANIFEST)))
    log = run.install_log()
    expected = SIGNED_LINE if contender.keyed else UNCHECKED_LINE
    if expected not in log:
        found.append("the install log lacks %r (is %s built as expected?)" % (expected, contender.dll))
    found += ["the install log says %r" % line for line in log if line.startswith(FAILURES)]
    return found


def file_list_stage(progress):
    """The bar's readings of the file list: after it last went back, since the
    configuration file's download has a bar of its own before it."""
    start = max((i for i in range(1, len(progress)) if progress[i][1] < progress[i - 1][1]), default=0)
    return progress[start:]


def spans(run, sizes):
    """The run's spans in ms, or None when the bar was not seen at both archives' ends."""
    [configuration], [listed] = run.asked(CONFIGURATION), run.asked(release_tool.PACKAGE_LIST)
    [first], [second] = run.asked(ARCHIVES[0]), run.asked(ARCHIVES[1])
    progress = [(at, int(match.group(1))) for at, line in run.out for match in [PROGRESS.match(line)] if match]
    stage = file_list_stage(progress)
    share = 100 * sizes[0] // sum(sizes)
    first_in = next((at for at, percent in stage if percent >= share), None)
    all_in = next((at for at, percent in stage if percent == 100), None)
    if first_in is None or all_in is None or all_in < second:
        return None
    transfer = (min(first_in, second) - first) + (all_in - second)
    ms = {"before": first - listed, "transfer": transfer, "update": run.first_line_time(RUN_END) - configuration}
    return {key: value * 1000 for key, value in ms.items()}


def report(sizes):
    middle = {(c.letter, key): statistics.median(c.spans[key]) for c in CONTENDERS for _, key in SPANS}
    print("\n%d archives of %.1f MiB (stored zips of random bytes), %s, %d rounds, A B C alternating; "
          "medians in ms (fastest round):" % (len(sizes), sizes[0] / 2**20, "served as fast as the loopback takes"
                                              if PACE_MS is None else "16 KiB every %d ms" % PACE_MS, ROUNDS))
    for contender in CONTENDERS:
        print("  %s  %s" % (contender.letter, contender.what))
    print("A and B both compute the SHA-256 digest of each archive while it arrives: A - B is the cost of the "
          "manifest and its signature.")
    print("  %-20s%s" % ("", "".join("%20s" % contender.letter for contender in CONTENDERS)))
    for label, key in SPANS:
        cells = ["%.1f (%.1f)" % (middle[c.letter, key], min(c.spans[key])) for c in CONTENDERS]
        print("  %-20s%s" % (label, "".join("%20s" % cell for cell in cells)))
    added = middle["A", "before"] - middle["B", "before"]
    download = middle["B", "transfer"]
    percent = 100 * added / download
    print("added time of the verification (A - B, list to archives): %.1f ms" % added)
    print("  against the download time of the run (B's archives' transfer, %.1f ms): %.2f %% (goal: under %g %%: %s)"
          % (download, percent, GOAL_PERCENT, "met" if percent < GOAL_PERCENT else "not met"))
    print("  whole update: A - B %.1f ms, A / B %.4f" % (middle["A", "update"] - middle["B", "update"],
                                                        middle["A", "update"] / middle["B", "update"]))
    print("cost of the digests (B - C): archives' transfer %.1f ms, whole update %.1f ms" %
          (middle["B", "transfer"] - middle["C", "transfer"], middle["B", "update"] - middle["C", "update"]))
    print("Wine programs and the prefix's wineserver pinned to CPU 0%s." %
          (", inside the emulated x86 machine" if os.environ.get("OSTREL_IN_GUEST") else ""))


def measure(server):
    base_url, parameters = serve_release(server)
    sizes = [int(value) for name, value in parameters if name.startswith("FileSize")]
    page = [("RedirectURL", "%s/%s" % (base_url, CONFIGURATION)), ("LaunchClient", "false"), *parameters]
    for contender in CONTENDERS:
        contender.page = server.folder / ("page-%s.html" % contender.letter)
        write_page(contender.page, [(name, value) for name, value in page
                                    if contender.digests or not name.startswith("FileSha256")])
    for round_number in range(1, ROUNDS + 1):
        for contender in CONTENDERS:
            run = run_once(server, contender)
            found = problems(run, contender)
            measured = None if found else spans(run, sizes)
            if measured is None:
                sys.exit("run_bench: round %d, %s: %s\n%s" % (round_number, contender.letter,
                                                               "; ".join(found) or "the bar was not seen at the "
                                                               "archives' ends", run.dump()))
            for key, value in measured.items():
                contender.spans[key].append(value)
            print("round %d %s: " % (round_number, contender.letter) +
                  ", ".join("%s %.1f ms" % (label, measured[key]) for label, key in SPANS), flush=True)
    report(sizes)


def main():
    for needed in (STANDIN, KEYED_DLL, KEYLESS_DLL, SIGNING_KEY):
        if not needed.exists():
            sys.exit("run_bench: %s is missing: build the project first" % needed)
    # Made and signed at native speed, before any move into the machine; in there only
    # when missing.
    if not os.environ.get("OSTREL_PLACED") or not (WORK / MANIFEST).exists():
        try:
            make_release()
        except (release_tool.ReleaseError, release_manifest.ManifestError) as error:
            sys.exit("run_bench: the release could not be made: %s" % error)
    run_where_windows_programs_start(BUILD, __file__, ROUNDS, MEGABYTES, *([] if PACE_MS is None else [PACE_MS]))
    with pinned_rig(BUILD):
        server = Server("bench-signing-")
        try:
            measure(server)
        finally:
            server.stop()


if __name__ == "__main__":
    main()
