#!/usr/bin/env python3
"""Archive extraction benchmark (not a test; timing never decides a test).

    bench/archive/run_bench.py [BUILD_DIR] [ROUNDS] [MEGABYTES]

Makes, once for each size, MEGABYTES (default 256) of files (3/4 noise, 1/4 text), some
2,000 files across 64 folders at the default size, and from them a deflated zip
(Info-ZIP zip, no extra fields) and an MSZIP cabinet (gcab) of about 3/4 that size each. Then, in one run and alternating, unpacks each
archive with the product's extractor under Wine, with the bare library loop under Wine
(see archive_bench.cpp), and natively with unzip and cabextract. Prints the median and
the fastest seconds of each way, and the ratios of both: on a machine shared with other
work the fastest runs show the cost of the code itself best.

Wine times are measured inside the process (the unpacking only); native times are the
wall clock of the tool. Every process, and this build's wineserver, is pinned to CPU 0:
under Wine a call's cost is mostly a round trip to wineserver, and it grows severalfold
when the two sit on different CPUs.

Where Windows programs start only inside the emulated x86 machine (tools/guest/run-windows),
the whole script runs there, so that the timed programs, the rig and its wineserver share
one machine. Emulated times are many times the real ones: only their ratios mean much.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
MEGABYTES = int(sys.argv[3]) if len(sys.argv) > 3 else 256
CONTENT_BYTES = MEGABYTES * 1024 * 1024
# One folder per size, so that a run at another size never takes the archives of this one.
WORK = os.path.join(BUILD, "bench-archive", "%dMB" % MEGABYTES)
WINE_RUN = os.path.join(BUILD, "wine-run")
RUN_WINDOWS = os.path.join(ROOT, "tools", "guest", "run-windows")
BENCH_EXE = os.path.join(BUILD, "bin", "archive_bench.exe")
PIN = ["taskset", "-c", "0"]

sys.path.insert(0, os.path.join(ROOT, "bench"))
from wine_pinning import pin_wineserver  # noqa: E402


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def make_data():
    source = os.path.join(WORK, "source")
    if os.path.exists(os.path.join(WORK, "data.cab")):
        return
    shutil.rmtree(WORK, ignore_errors=True)
    rng = random.Random(7)
    total, names = 0, []
    while total < CONTENT_BYTES:
        size = rng.randrange(4096, 256 * 1024)
        name = "f%02d/g%d/file%04d.bin" % (len(names) % 16, len(names) % 4, len(names))
        path = os.path.join(source, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        text = (b"conference client update package version folder file " * (size // 200 + 1))[: size // 4]
        with open(path, "wb") as f:
            f.write(rng.randbytes(size - len(text)) + text)
        total += size
        names.append(name)
    subprocess.run(["zip", "-X", "-r", "-q", os.path.join(WORK, "data.zip"), "."], cwd=source, check=True)
    subprocess.run(["gcab", "-c", "-z", os.path.join(WORK, "data.cab"), *names], cwd=source, check=True)
    shutil.rmtree(source)


def fresh(destination):
    shutil.rmtree(destination, ignore_errors=True)
    os.sync()


def wine_way(mode, archive):
    def run(destination):
        # The program fails unless the unpacking succeeded; it prints the seconds first.
        out = subprocess.run(PIN + [WINE_RUN, BENCH_EXE, mode, windows_path(destination), windows_path(archive)],
                             check=True, capture_output=True, text=True).stdout
        return float(out.split()[0])
    return run


def native_way(command):
    def run(destination):
        os.makedirs(destination)
        start = time.perf_counter()
        subprocess.run(PIN + command(destination), check=True, stdout=subprocess.DEVNULL)
        return time.perf_counter() - start
    return run


def destination_folder():
    """Inside the emulated machine the build folder is a shared folder, where every file
    operation crosses to the host and takes as long as the host's load makes it: the files
    are unpacked into the machine's own memory instead."""
    if os.environ.get("OSTREL_IN_GUEST"):
        return tempfile.mkdtemp(prefix="bench-archive-out.")
    return os.path.join(WORK, "out")


def run_where_windows_programs_start():
    """Restarts this script through tools/guest/run-windows, once: inside the emulated
    machine it takes the build folder's guest lock, as wine-run does, so that no other
    machine writes the same Wine prefix meanwhile."""
    if not os.environ.get("OSTREL_PLACED"):
        os.execv(RUN_WINDOWS, [RUN_WINDOWS, "--share", ROOT, "--share", BUILD, "--lock", BUILD + "/rig.guest-lock",
                               "--note", "run_bench: running inside the emulated x86 machine", "--",
                               sys.executable, os.path.abspath(__file__), BUILD, str(ROUNDS), str(MEGABYTES)])


def main():
    if not os.path.exists(BENCH_EXE):
        sys.exit("run_bench: build archive_bench first (see bench/archive/CMakeLists.txt)")
    # The archives are made here, at native speed, before any move into the machine.
    make_data()
    run_where_windows_programs_start()
    # A fresh rig of its own: the wineserver must be started by this run to be pinned.
    subprocess.run([WINE_RUN, "--stop"], check=True)
    subprocess.run([WINE_RUN, "--start"], check=True)
    pin_wineserver(BUILD)
    zip_path, cab_path = os.path.join(WORK, "data.zip"), os.path.join(WORK, "data.cab")
    ways = {
        "product zip (Wine)": wine_way("product-zip", zip_path),
        "bare minizip loop (Wine)": wine_way("bare-zip", zip_path),
        "unzip (native)": native_way(lambda d: ["unzip", "-q", "-o", zip_path, "-d", d]),
        "product cabinet (Wine)": wine_way("product-cab", cab_path),
        "bare FDI loop (Wine)": wine_way("bare-cab", cab_path),
        "cabextract (native)": native_way(lambda d: ["cabextract", "-q", "-d", d, cab_path]),
    }
    times = {name: [] for name in ways}
    destination = destination_folder()
    for _ in range(ROUNDS):
        for name, way in ways.items():
            fresh(destination)
            times[name].append(way(destination))
    fresh(destination)
    subprocess.run([WINE_RUN, "--stop"], check=True)
    median = {name: statistics.median(values) for name, values in times.items()}
    fastest = {name: min(values) for name, values in times.items()}
    print("archives: zip %.0f MB, cabinet %.0f MB; %d rounds; median and fastest" % (
        os.path.getsize(zip_path) / 2**20, os.path.getsize(cab_path) / 2**20, ROUNDS))
    for name, value in median.items():
        print("  %-26s %7.3f s %7.3f s" % (name, value, fastest[name]))
    print("ratios of medians (of the fastest runs)")
    for product, reference in (("product zip (Wine)", "bare minizip loop (Wine)"), ("product zip (Wine)", "unzip (native)"),
                               ("product cabinet (Wine)", "bare FDI loop (Wine)"),
                               ("product cabinet (Wine)", "cabextract (native)")):
        print("  %-24s / %-26s %5.2f (%.2f)" % (product, reference, median[product] / median[reference],
                                                fastest[product] / fastest[reference]))


if __name__ == "__main__":
    main()
