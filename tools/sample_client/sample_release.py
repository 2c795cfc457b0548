#!/usr/bin/env python3
"""A release of the sample client, as a conferencing server offers it to the plug-in.

    sample_release.py FOLDER BASE_URL BUILD_BIN [--updater-exit N]

Writes into FOLDER (which BASE_URL serves):
    client.cab           bin/updater.exe (and bin/exit-code.txt holding N with --updater-exit)
    client.zip           bin/client.exe and readme.txt
    packages.properties  the package list: one file set per archive, its programs and their
                         file versions as the programs' version resources give them
    launch.oscf          the client configuration file, naming the package list
and prints the embed parameters for a page (NumFiles, then File<i> and FileSize<i> for each
archive) as NAME=VALUE lines. BUILD_BIN is the build's bin folder; the programs are taken
from its sample_client folder. The integration tests import make_release.
"""

import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

PROGRAM_FOLDER = "sample_client"
CABINET = "client.cab"
ZIP = "client.zip"
PACKAGE_LIST = "packages.properties"
CONFIGURATION = "launch.oscf"
README = ("Ostrel Client (sample)\r\n\r\nA stand-in for the conferencing client: it opens a window, "
          "signals that it has started and exits after a few seconds.\r\n")


def file_version(path):
    """The four numbers of the file version in a program's version resource."""
    data = Path(path).read_bytes()
    # The fixed file information follows the resource's key; its signature alone could
    # also turn up by chance in the code.
    key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    fixed = data.find(struct.pack("<I", 0xFEEF04BD), key) if key >= 0 else -1
    if fixed < 0:
        raise ValueError("%s has no version resource" % path)
    most, least = struct.unpack_from("<II", data, fixed + 8)
    return (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


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


def package_list(file_sets):
    """file_sets: [(archive name, [(element path, version)])]. Element j of every set
    reads its version from the one key ".version.j", so the sets must agree there."""
    lines = ["# The sample client's package list", "updaterFiles=%d" % len(file_sets)]
    shared_versions = {}
    for n, (name, elements) in enumerate(file_sets):
        lines += ["updaterFile.%d=%s" % (n, name), "%s.files=%d" % (name, len(elements))]
        for j, (element, version) in enumerate(elements):
            if shared_versions.setdefault(j, version) != version:
                raise ValueError("element %d of %s has version %s, another set's element %d has %s"
                                 % (j, name, version, j, shared_versions[j]))
            lines.append("%s.element.%d=%s" % (name, j, element))
        lines.append("%s.version=%s" % (name, ".".join(map(str, elements[0][1])) if elements else ""))
    lines += [".version.%d=%s" % (j, ",".join(map(str, v))) for j, v in sorted(shared_versions.items())]
    return "".join(line + "\n" for line in lines)


def configuration_file(base_url, version):
    # The plug-in reads configuration files with CR LF line ends only.
    pairs = [("smartclient.configURL", base_url + "/" + PACKAGE_LIST),
             ("smartclient.product", "Ostrel Client (sample)"),
             ("smartclient.release", ",".join(map(str, version)))]
    return "".join("%s=%s\r\n" % pair for pair in pairs)


def make_release(folder, base_url, bin_dir, updater_exit=None):
    """Writes the release into folder and returns the embed parameters as (name, value)
    pairs: NumFiles, then File<i> ("<base_url>/<archive>;", unpacked into the work folder
    itself) and FileSize<i> (its exact size in bytes) for each archive."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    base_url = base_url.rstrip("/")
    programs = Path(bin_dir) / PROGRAM_FOLDER
    updater, client = programs / "updater.exe", programs / "client.exe"
    versions = {"bin/updater.exe": file_version(updater), "bin/client.exe": file_version(client)}

    cabinet = {"bin/updater.exe": updater.read_bytes()}
    if updater_exit is not None:
        cabinet["bin/exit-code.txt"] = b"%d\r\n" % updater_exit
    make_cabinet(folder / CABINET, cabinet)
    make_zip(folder / ZIP, {"bin/client.exe": client.read_bytes(), "readme.txt": README})

    file_sets = [(CABINET, [("bin/updater.exe", versions["bin/updater.exe"])]),
                 (ZIP, [("bin/client.exe", versions["bin/client.exe"])])]
    (folder / PACKAGE_LIST).write_bytes(package_list(file_sets).encode("ascii"))
    (folder / CONFIGURATION).write_bytes(configuration_file(base_url, versions["bin/client.exe"]).encode("ascii"))

    parameters = [("NumFiles", str(len(file_sets)))]
    for i, (name, _) in enumerate(file_sets):
        parameters += [("File%d" % i, "%s/%s;" % (base_url, name)),
                       ("FileSize%d" % i, str((folder / name).stat().st_size))]
    return parameters


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("base_url")
    parser.add_argument("bin_dir")
    parser.add_argument("--updater-exit", type=int, help="make the install exit with this code")
    args = parser.parse_args()
    if not shutil.which("gcab"):
        print("sample_release: gcab is missing (tools/install-deps installs it)", file=sys.stderr)
        return 1
    for name, value in make_release(args.folder, args.base_url, args.bin_dir, args.updater_exit):
        print("%s=%s" % (name, value))
    return 0


if __name__ == "__main__":
    sys.exit(main())
