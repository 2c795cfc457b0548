#!/usr/bin/env python3
"""Rig files left from an earlier boot must not be taken for a live display.

  stale_rig.py plant RIG_DIR   before the rig starts: record a display that does not
                               exist and, as its Xvfb, a live process that is no Xvfb
                               (a recycled process id), as an earlier boot would leave
  stale_rig.py check RIG_DIR   after the rig started: a display of its own came up and
                               the process named in the planted files was left alone

Nothing is planted over a rig that is up already (a developer's own run).
"""
import os
import signal
import subprocess
import sys
from pathlib import Path

STALE_DISPLAY = "987"


def plant(rig: Path) -> int:
    rig.mkdir(parents=True, exist_ok=True)
    if (rig / "display").exists():
        # A plant of an earlier run whose check never came (a run of only some tests)
        # must not be checked now.
        (rig / "planted").unlink(missing_ok=True)
        print("a rig is recorded already; nothing planted")
        return 0
    sleeper = subprocess.Popen(["sleep", "3600"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    (rig / "display").write_text(STALE_DISPLAY + "\n")
    (rig / "xvfb.pid").write_text(f"{sleeper.pid}\n")
    (rig / "boot").write_text(Path("/proc/sys/kernel/random/boot_id").read_text())
    (rig / "planted").write_text(f"{sleeper.pid}\n")
    print(f"planted display :{STALE_DISPLAY} with process {sleeper.pid} as its Xvfb")
    return 0


def check(rig: Path) -> int:
    planted = rig / "planted"
    if not planted.exists():
        print("nothing was planted")
        return 0
    pid = int(planted.read_text())
    planted.unlink()
    failures = []
    display = (rig / "display").read_text().strip()
    if display == STALE_DISPLAY:
        failures.append("the rig kept the stale display")
    xvfb = (rig / "xvfb.pid").read_text().strip()
    if Path(f"/proc/{xvfb}/comm").read_text().strip() != "Xvfb":
        failures.append(f"the recorded display process {xvfb} is no Xvfb")
    if not Path(f"/proc/{pid}").exists():
        failures.append(f"the planted process {pid} was killed")
    else:
        os.kill(pid, signal.SIGKILL)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("plant", "check"):
        sys.exit("usage: stale_rig.py plant|check RIG_DIR")
    sys.exit((plant if sys.argv[1] == "plant" else check)(Path(sys.argv[2])))
