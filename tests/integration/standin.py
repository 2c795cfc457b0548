"""Running the browser stand-in under the build folder's Wine rig, for the integration
tests. The build folder is the first command-line argument of every test script."""

import os
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import firefox_profile

BUILD = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else Path("build").resolve()
BIN = BUILD / "bin"
WINE_RUN = BUILD / "wine-run"
PLUGIN_DLL = BIN / "NPOstrelUpdater.dll"
PROBE_DLL = BIN / "NPStandinProbe.dll"
PLUGIN_TYPE = "application/x-ostrel-updater-plugin"
PROBE_TYPE = "application/x-ostrel-standin-probe"
SOURCE = Path(__file__).resolve().parents[2]
# Inside the emulated x86 machine a run takes several times as long as on a real one:
# the tests that leave a page or take its window at a set time, pace a server or bound a
# wait stretch those times by this factor there.
TIME_FACTOR = 4 if os.environ.get("OSTREL_IN_GUEST") else 1


def scaled(ms):
    """ms, stretched inside the emulated machine."""
    return ms * TIME_FACTOR


def windows_path(path):
    """The path as Windows programs under Wine see it: drive Z: is the Unix root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class FirefoxProfile(firefox_profile.FirefoxProfile):
    """The build's profile for the stand-in's default user agent (a Firefox)."""

    def __init__(self):
        super().__init__(BUILD, "standin.default")


class Run:
    """One finished stand-in run: its exit code and its report lines (without the
    "standin: " prefix); the probe plug-in's lines are kept apart."""

    def __init__(self, completed):
        self.code = completed.returncode
        self.stderr = completed.stderr
        lines = completed.stdout.splitlines()
        self.lines = [l[len("standin: "):] for l in lines if l.startswith("standin: ")]
        self.probe = [l[len("probe: "):] for l in lines if l.startswith("probe: ")]
        self.output = completed.stdout

    def matching(self, pattern):
        """Every line that matches the pattern (from its start), as match objects."""
        return [m for m in (re.match(pattern, l) for l in self.lines) if m]

    def index(self, line):
        return self.lines.index(line)


def standin_backtraces():
    """Every thread's stack in the stand-in's processes, from Wine's debugger, for a run
    that did not end in time: a hang is then shown where it waits, not only that it did."""
    try:
        done = subprocess.run([str(WINE_RUN), "winedbg", "--command", "bt all"], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=180)
    except subprocess.TimeoutExpired:
        return "winedbg did not answer within 180 s"
    blocks = done.stdout.decode("utf-8", "replace").split("\nBacktracing for ")
    return "\n".join("Backtracing for " + block for block in blocks if "browser_standin.exe)" in block.split("\n")[0])


def run_standin(*args, timeout=60):
    # The output goes to files, and only the stand-in itself is waited for: a Wine service
    # that the run happened to start (the desktop process, say) inherits the output and
    # may hold it open long after the stand-in ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen([str(WINE_RUN), str(BIN / "browser_standin.exe"), *map(str, args)],
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            print("standin: no end after %s s; its threads:\n%s" % (timeout, standin_backtraces()), file=sys.stderr)
            process.kill()
            process.wait()
            raise
        out.seek(0)
        err.seek(0)
        completed = subprocess.CompletedProcess(args, code, out.read().decode("utf-8", "replace"),
                                                err.read().decode("utf-8", "replace"))
    return Run(completed)


def run_page(body, *args, run_ms=300):
    """Runs the stand-in on a page with that body (text is written as UTF-8)."""
    with tempfile.TemporaryDirectory(prefix="standin-") as folder:
        path = Path(folder) / "page.html"
        path.write_bytes(body.encode("utf-8") if isinstance(body, str) else body)
        return run_standin("--run-ms", run_ms, *args, windows_path(path))


class PageTestCase(unittest.TestCase):
    def run_page(self, body, *args, run_ms=300):
        return run_page(body, *args, run_ms=run_ms)

    def assertCompleted(self, run):
        self.assertEqual(run.code, 0, run.output + run.stderr)


def main():
    unittest.main(verbosity=2)


def quoted(value):
    """A text as the stand-in quotes it in its report: printable ASCII, the rest
    escaped. Text is taken as UTF-8."""
    data = value.encode("utf-8") if isinstance(value, str) else value
    named = {0x5C: "\\\\", 0x22: '\\"', 0x0D: "\\r", 0x0A: "\\n", 0x09: "\\t"}
    out = []
    for byte in data:
        if byte in named:
            out.append(named[byte])
        elif 0x20 <= byte <= 0x7E:
            out.append(chr(byte))
        else:
            out.append("\\x%02X" % byte)
    return '"' + "".join(out) + '"'


def embed_parameters(run):
    """The embed parameters the stand-in passed to NPP_New, as (name, value) pairs in
    their quoted report form."""
    pairs = run.matching(r'embed parameter \d+ ("(?:[^"\\]|\\.)*")=("(?:[^"\\]|\\.)*")$')
    return [(m.group(1), m.group(2)) for m in pairs]


def callback_answers(run, callback):
    """The answers of each call of a callback or export, in order."""
    return [int(m.group(1)) for m in run.matching(re.escape(callback) + r"\b.* -> (-?\d+)$")]
