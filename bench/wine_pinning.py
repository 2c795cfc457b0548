"""Pinning a build's wineserver to one CPU, for the benchmarks that pin their Wine programs
there too, so that rounds compare on the same footing."""

import os
import subprocess
import sys


def pin_wineserver(build):
    """Pins the wineserver of build's Wine prefix (found by its prefix, not by name) to CPU 0;
    ends the benchmark when none runs."""
    prefix = os.path.join(str(build), "rig", "prefix").encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/comm" % pid, "rb") as f:
                if not f.read().startswith(b"wineserver"):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if b"WINEPREFIX=" + prefix in f.read().split(b"\0"):
                    subprocess.run(["taskset", "-pc", "0", pid], check=True, stdout=subprocess.DEVNULL)
                    return
        except OSError:
            continue
    sys.exit("run_bench: this build's wineserver is not running")
