#!/usr/bin/env python3
"""The machine that runs the Windows tests starts 32-bit programs, so the tools' probe
must find that and choose the direct path; the switch overrides the probe both ways.

  emulation_choice.py MACHINE_SCRIPT
"""
import os
import subprocess
import sys


def needed(machine: str, switch: str | None) -> bool:
    env = {k: v for k, v in os.environ.items() if k != "OSTREL_EMULATED"}
    if switch is not None:
        env["OSTREL_EMULATED"] = switch
    return subprocess.run([machine, "needed"], env=env).returncode == 0


def main() -> int:
    machine = sys.argv[1]
    expected = {None: False, "1": True, "0": False}
    failures = [f"OSTREL_EMULATED={switch}: emulated path {'not ' if want else ''}chosen"
                for switch, want in expected.items() if needed(machine, switch) != want]
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
