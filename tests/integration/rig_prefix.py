"""The Wine prefix that this process's Windows programs run in, as the build's wine-run
chooses it: the one CTest gave the test, else the first."""

import subprocess
from pathlib import Path


def rig_prefix(build):
    """The prefix folder for the build folder build."""
    answer = subprocess.run([str(Path(build) / "wine-run"), "--prefix"], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, check=True)
    return Path(answer.stdout.strip())
