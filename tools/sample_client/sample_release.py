#!/usr/bin/env python3
"""A release of the sample client, as a conferencing server offers it to the plug-in: the
sample's archives, with the package list and the page's parameters made from them by
tools/make-release, as an operator makes them.

    sample_release.py FOLDER BASE_URL BUILD_BIN [--updater-exit N]

Writes into FOLDER (which BASE_URL serves):
    client.cab           bin/updater.exe (and bin/exit-code.txt holding N with --updater-exit)
    client.zip           bin/client.exe and readme.txt
    packages.properties  the package list, and embed.txt, both by tools/make-release
    launch.oscf          the client configuration file, naming the package list and the
                         client's release, the file version of its program
and prints the embed parameters for a page (NumFiles, then File<i>, FileSize<i> and
FileSha256<i> for each archive) as NAME=VALUE lines. BUILD_BIN is the build's bin folder;
the programs are taken from its sample_client folder. The integration tests import
make_release.
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "release"))
import make_release as release_tool  # noqa: E402

PROGRAM_FOLDER = "sample_client"
CABINET = "client.cab"
ZIP = "client.zip"
CONFIGURATION = "launch.oscf"
README = ("Ostrel Client (sample)\r\n\r\nA stand-in for the conferencing client: it opens a window, "
          "signals that it has started and exits after a few seconds.\r\n")


def make_cabinet(target, members):
    """members: {path in the cabinet with "/": bytes}."""
    with tempfile.TemporaryDirectory(prefix="sample-cab-") as staging:
        for name, data in members.items():
            path = Path(staging, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
        subprocess.run(["gcab", "-c", "-z", str(target), *members], cwd=staging, check=True,
                       stdout=subprocess.DEVNULL)


def make_zip(target, members):
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in members.items():
            archive.writestr(name, data)


def make_release(folder, base_url, bin_dir, updater_exit=None):
    """Writes the release into folder and returns the embed parameters as (name, value)
    pairs, as tools/make-release gives them: NumFiles, then File<i> ("<base_url>/<archive>;",
    unpacked into the work folder itself), FileSize<i> and FileSha256<i> for each archive."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    programs = Path(bin_dir) / PROGRAM_FOLDER
    updater, client = (programs / "updater.exe").read_bytes(), (programs / "client.exe").read_bytes()

    cabinet = {"bin/updater.exe": updater}
    if updater_exit is not None:
        cabinet["bin/exit-code.txt"] = b"%d\r\n" % updater_exit
    make_cabinet(folder / CABINET, cabinet)
    make_zip(folder / ZIP, {"bin/client.exe": client, "readme.txt": README})

    # The build makes the package-list checker beside its bin folder.
    parameters, _ = release_tool.make_release(folder, base_url, checker_build=Path(bin_dir).parent / "release_check")
    release = [("smartclient.product", "Ostrel Client (sample)"),
               ("smartclient.release", release_tool.text(release_tool.pe_file_version(client)))]
    (folder / CONFIGURATION).write_bytes(release_tool.configuration_text(base_url, release).encode())
    return parameters


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("base_url")
    parser.add_argument("bin_dir")
    parser.add_argument("--updater-exit", type=int, help="make the install exit with this code")
    args = parser.parse_args()
    for tool in ("gcab", "cabextract"):
        if not shutil.which(tool):
            print("sample_release: %s is missing (tools/install-deps installs it)" % tool, file=sys.stderr)
            return 1
    try:
        parameters = make_release(args.folder, args.base_url, args.bin_dir, args.updater_exit)
    except release_tool.ReleaseError as error:
        print("sample_release: %s" % error, file=sys.stderr)
        return 1
    for name, value in parameters:
        print("%s=%s" % (name, value))
    return 0


if __name__ == "__main__":
    sys.exit(main())
