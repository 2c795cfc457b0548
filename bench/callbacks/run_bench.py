#!/usr/bin/env python3
"""Browser-thread cost of the plug-in's callbacks (not a test; timing never decides a test).

    bench/callbacks/run_bench.py [BUILD_DIR] [ROUNDS] [PARAMETERS] [DLL]

Runs the real plug-in in the browser stand-in ROUNDS times (default 5) on a page whose run
finishes at once (an installed sample client, the launch turned off, no URL to go to), with
PARAMETERS more attributes on the embed besides NumFiles="1000" when PARAMETERS is given
(another build's plug-in DLL with DLL, a path inside BUILD_DIR: an older release, say), and
a Firefox profile tree of 50 profile folders in the prefix, and reads the stand-in's own
measurements of how long the browser's thread spent in NPP_New, in the first
NPP_SetWindow (dialog and worker start) and in NPP_Destroy. NPP_Destroy's figure is given
without the fixed 2 s pause that follows the worker's end. Prints the median and the
slowest of each.

Where Windows programs start only inside the emulated x86 machine (tools/guest/run-windows),
the whole script runs there; emulated times are many times the real ones.
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
PARAMETERS = int(sys.argv[3]) if len(sys.argv) > 3 else 0
DLL = sys.argv[4] if len(sys.argv) > 4 else ""
WINE_RUN = str(BUILD / "wine-run")
RUN_WINDOWS = ROOT / "tools" / "guest" / "run-windows"
CLIENT_KEY = "HKCU\\Software\\Ostrel Software, Inc.\\Ostrel Client"
PROFILE_FOLDERS = 50
PAUSE_AFTER_WORKER_MS = 2000
CALLS = ("NPP_New", "NPP_SetWindow", "NPP_Destroy")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def run_where_windows_programs_start():
    """Restarts this script through tools/guest/run-windows, once."""
    if not os.environ.get("OSTREL_PLACED"):
        os.execv(RUN_WINDOWS, [RUN_WINDOWS, "--share", ROOT, "--share", BUILD, "--lock", BUILD / "rig.guest-lock",
                               "--note", "run_bench: running inside the emulated x86 machine", "--",
                               sys.executable, os.path.abspath(__file__), BUILD, str(ROUNDS), str(PARAMETERS), DLL])


def profile_tree():
    """50 profile folders, each with its preferences, for the prefix's user."""
    users = BUILD / "rig" / "prefix" / "drive_c" / "users"
    user = next(p for p in users.iterdir() if p.is_dir() and p.name != "Public")
    root = user / "AppData" / "Roaming" / "Mozilla"
    profiles = root / "Firefox" / "Profiles"
    for n in range(PROFILE_FOLDERS):
        folder = profiles / ("bench%02d.default" % n)
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "prefs.js").write_text('user_pref("intl.accept_languages", "de-de, en");\r\n')
    return root


def main():
    run_where_windows_programs_start()
    subprocess.run([WINE_RUN, "--start"], check=True)
    work = Path(tempfile.mkdtemp(prefix="bench-callbacks-"))
    mozilla = profile_tree()
    try:
        (work / "client" / "bin").mkdir(parents=True)
        for program in ("updater.exe", "client.exe"):
            shutil.copyfile(BUILD / "bin" / "sample_client" / program, work / "client" / "bin" / program)
        subprocess.run([WINE_RUN, "reg", "add", CLIENT_KEY, "/v", "InstallDir", "/d",
                        windows_path(work / "client"), "/f"], check=True, capture_output=True)
        page = work / "page.html"
        # A page with many parameters: a file list of 1000 entries, each read from the
        # parameters, among many that mean nothing to the plug-in but start with "F", as
        # the file list's names do, so that none is passed over at its first letter.
        many = ' NumFiles="1000"' + "".join(' Fx%d="%d"' % (n, n) for n in range(PARAMETERS)) if PARAMETERS else ""
        page.write_text('<embed type="application/x-ostrel-updater-plugin" RedirectURL="" LaunchClient="false"%s>'
                        % many)
        times = {call: [] for call in CALLS}
        for _ in range(ROUNDS):
            dll = ["--dll", windows_path(Path(DLL).resolve())] if DLL else []
            out = subprocess.run([WINE_RUN, str(BUILD / "bin" / "browser_standin.exe"), *dll, "--run-ms", "500",
                                  windows_path(page)], capture_output=True, text=True, errors="replace").stdout
            for call in CALLS:
                found = re.findall(r"^standin: %s took (\d+) ms\r?$" % call, out, re.M)
                if found:
                    times[call].append(int(found[0]))
        times["NPP_Destroy"] = [t - PAUSE_AFTER_WORKER_MS for t in times["NPP_Destroy"]]
        for call in CALLS:
            label = call + (" (first)" if call == "NPP_SetWindow" else "")
            if not times[call]:
                print("%-22s no measurement" % label)
                continue
            print("%-22s median %5d ms   slowest %5d ms   (%d rounds)" %
                  (label, statistics.median(times[call]), max(times[call]), len(times[call])))
    finally:
        subprocess.run([WINE_RUN, "reg", "delete", CLIENT_KEY, "/f"], capture_output=True)
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(mozilla, ignore_errors=True)


if __name__ == "__main__":
    main()
