#!/usr/bin/env python3
"""The machine that runs the Windows tests starts 32-bit programs, so run-windows must find
that and run commands directly; the switch overrides the probe both ways, and a command
that already runs where Windows programs start (placed there, or inside the emulated
machine) is never sent into another machine. A command run directly gets its arguments
as given, the mark that it is placed, and hands back its exit status.

  emulation_choice.py RUN_WINDOWS_SCRIPT
"""
import os
import subprocess
import sys

PLACEMENT = ("OSTREL_EMULATED", "OSTREL_PLACED", "OSTREL_IN_GUEST")


def runs_here(run_windows: str, **switches: str) -> bool:
    env = {k: v for k, v in os.environ.items() if k not in PLACEMENT}
    env.update(switches)
    return subprocess.run([run_windows, "--here"], env=env).returncode == 0


def choice_failures(run_windows: str) -> list[str]:
    expected = [({}, True), ({"OSTREL_EMULATED": "1"}, False), ({"OSTREL_EMULATED": "0"}, True),
                ({"OSTREL_EMULATED": "1", "OSTREL_PLACED": "1"}, True),
                ({"OSTREL_EMULATED": "1", "OSTREL_IN_GUEST": "1"}, True)]
    return ["%s: the command would run %s" % (switches or "no switch", "here" if here else "in the machine")
            for switches, here in expected if runs_here(run_windows, **switches) != here]


def direct_run_failures(run_windows: str) -> list[str]:
    env = {k: v for k, v in os.environ.items() if k not in PLACEMENT}
    env["OSTREL_EMULATED"] = "0"
    show = 'printf "[%s]" "$@"; echo " placed=$OSTREL_PLACED"; exit 3'
    done = subprocess.run([run_windows, "--share", "/nonexistent", "--note", "not shown", "--",
                           "sh", "-c", show, "sh", "a b", "", "--here"], env=env, capture_output=True, text=True)
    failures = []
    if done.stdout != "[a b][][--here] placed=1\n":
        failures.append("the direct run printed %r" % done.stdout)
    if done.returncode != 3:
        failures.append("the direct run ended with %d, not the command's 3" % done.returncode)
    return failures


def main() -> int:
    failures = choice_failures(sys.argv[1]) + direct_run_failures(sys.argv[1])
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
