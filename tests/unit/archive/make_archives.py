#!/usr/bin/env python3
"""Makes the archives that the archive unit tests unpack, before those tests run.

    make_archives.py FOLDER

Writes into FOLDER every archive, and beside each a manifest of the tree that unpacking
it must give: one line per entry, "D <path>" for a folder and "F <sha1> <path>" for a
file, paths relative to the destination with "\\" between folders. Ordinary archives come
from gcab, zip and zipfile; archives with names or checksums that no tool writes are put
together byte by byte. The large cabinet's manifest comes from cabextract's output.
Hostile archives (an archive that lists one entry of zeros many times, archives of more
entries than the extractors take) are put together here too, never kept in the tree.
Also empties FOLDER/scratch, where the tests unpack.
"""
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fixtures"))
from hostile_archives import dos_stamp, overlapping_zip, stored_cabinet  # noqa: E402

OUT = os.path.abspath(sys.argv[1])
SCRATCH = os.path.join(OUT, "scratch")
BIG_CABINET_BYTES = 100 * 1024 * 1024
PARALLEL_ZIP_BYTES = 8 * 1024 * 1024
# One entry more than an archive may hold.
TOO_MANY_ENTRIES = 20001


def sample_bytes(rng, size):
    """Half noise, half text: deflate and MSZIP have real work on both kinds."""
    noise = rng.randbytes(size // 2)
    words = b"conference client update package version folder file "
    text = (words * (size // len(words) + 1))[: size - len(noise)]
    return noise + text


def write_tree(root, files):
    """files: {relative path with "/": bytes, or None for an empty folder}."""
    shutil.rmtree(root, ignore_errors=True)
    for name, data in files.items():
        path = os.path.join(root, name)
        if data is None:
            os.makedirs(path, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def tree_manifest(root, skip=()):
    lines = []
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        if rel != ".":
            lines.append("D " + rel.replace("/", "\\"))
        for name in files:
            relpath = os.path.normpath(os.path.join(rel, name))
            if relpath in skip:
                continue
            with open(os.path.join(folder, name), "rb") as f:
                digest = hashlib.sha1(f.read()).hexdigest()
            lines.append("F %s %s" % (digest, relpath.replace("/", "\\")))
    return lines


def manifest_of(files):
    """The manifest of the tree that files (as for write_tree) make."""
    root = os.path.join(OUT, "src", "manifest")
    write_tree(root, files)
    return tree_manifest(root)


def write_manifest(name, lines):
    with open(os.path.join(OUT, name + ".manifest"), "w", newline="\n") as f:
        f.write("".join(line + "\n" for line in sorted(lines)))


def run(*command, cwd=None):
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def gcab_from_tree(name, files, compress, skip=()):
    root = os.path.join(OUT, "src", name)
    write_tree(root, files)
    members = sorted(p for p, d in files.items() if d is not None)
    run("gcab", "-c", *(["-z"] if compress else []), os.path.join(OUT, name), *members, cwd=root)
    write_manifest(name, tree_manifest(root, skip))


def raw_cabinet(name, files):
    """A stored (uncompressed) single-folder cabinet. files: (name, data, attributes)."""
    stored_cabinet(os.path.join(OUT, name), files)


def raw_zip(name, entries):
    """entries: dicts with name (bytes), data, and optionally deflate, crc, local_extra,
    central_extra, garble (damages the deflated stream)."""
    body, directory, size = [], [], 0
    date, time = dos_stamp(1999, 1, 2, 3, 4, 6)
    for e in entries:
        data = e.get("data", b"")
        method = 8 if e.get("deflate") else 0
        payload = data
        if method:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            payload = packer.compress(data) + packer.flush()
            if e.get("garble"):
                payload = payload[:8] + bytes(b ^ 0x5A for b in payload[8:40]) + payload[40:]
        crc = e.get("crc", zlib.crc32(data))
        local, central = e.get("local_extra", b""), e.get("central_extra", b"")
        fields = (method, time, date, crc, len(payload), len(data), len(e["name"]))
        body.append(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, *fields, len(local)) + e["name"] + local + payload)
        directory.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, *fields, len(central), 0, 0, 0, 0,
                                     size) + e["name"] + central)
        size += len(body[-1])
    directory = b"".join(directory)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(directory), size, 0)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(b"".join(body) + directory + end)


def zipfile_archive(name, files, method):
    with zipfile.ZipFile(os.path.join(OUT, name), "w", method) as archive:
        for member, data in files.items():
            archive.writestr(zipfile.ZipInfo(member, (1999, 1, 2, 3, 4, 6)), data, method)
    root = os.path.join(OUT, "src", name)
    write_tree(root, files)
    write_manifest(name, tree_manifest(root))


def make_cabinets(rng):
    tree = {
        "lib/sub/a.dll": sample_bytes(rng, 70000),
        "lib/b.txt": b"b" * 100,
        "top.txt": b"top of the cabinet\r\n",
        "Package.Properties": b"left=out\r\n",
    }
    gcab_from_tree("stored.cab", tree, compress=False, skip={"Package.Properties"})
    gcab_from_tree("mszip.cab", tree, compress=True, skip={"Package.Properties"})
    raw_cabinet("stamped.cab", [("stamped.txt", b"stamped", 0x27 | 0x40), ("readonly.txt", b"ro", 0x01),
                                ("PACKAGE.properties", b"x", 0), ("sub\\Package.Properties", b"kept", 0)])
    raw_cabinet("climbing.cab", [("ok.txt", b"ok", 0), ("..\\escape.txt", b"x", 0), ("\\abs.txt", b"x", 0),
                                 ("C:drive.txt", b"x", 0), ("sub\\..\\..\\up.txt", b"x", 0),
                                 ("sub/../../up2.txt", b"x", 0), ("NUL", b"x", 0), ("sub\\lpt1.txt", b"x", 0),
                                 ("after.txt", b"after", 0)])
    raw_cabinet("boundary.cab", [("a" * 58, b"fits", 0), ("b" * 59, b"too long", 0)])
    for copy in ("parallel_a.cab", "parallel_b.cab"):
        gcab_from_tree(copy, {"f%02d/%d.bin" % (i % 4, i): sample_bytes(rng, 300000) for i in range(20)}, True)
    # Names as Windows writes them: trailing dots and blanks go, "/" separates folders too.
    raw_cabinet("trimmed.cab", [("package.properties.", b"list", 0), ("a/b.txt", b"b", 0), ("dir. \\x.txt", b"x", 0),
                                ("top.txt. ", b"top", 0), ("sub /deep. /y.txt", b"y", 0)])
    write_manifest("trimmed.cab", manifest_of({"a/b.txt": b"b", "dir/x.txt": b"x", "top.txt": b"top",
                                               "sub/deep/y.txt": b"y"}))
    raw_cabinet("blank_parts.cab", [("ok.txt", b"ok", 0), ("./dot.txt", b"x", 0), ("a/ /b.txt", b"x", 0),
                                    ("CON.", b"x", 0), ("after.txt", b"after", 0)])
    # Bounds: zeros pack a thousand to one; more entries than an archive may hold.
    gcab_from_tree("zeros.cab", {"zeros.bin": bytes(4 << 20)}, compress=True)
    raw_cabinet("many.cab", [("e%05d" % i, b"", 0) for i in range(TOO_MANY_ENTRIES)])
    shutil.copy(os.path.join(OUT, "stored.cab"), os.path.join(OUT, "UPPER.CAB"))
    with open(os.path.join(OUT, "text.cab"), "wb") as f:
        f.write(b"this is not a cabinet\r\n" * 20)


def make_big_cabinet(rng):
    """About 100 MB in 400 files of varied sizes across nested folders, MSZIP-compressed.
    Its manifest is taken from cabextract's output, not from the sources."""
    files, total, i = {}, 0, 0
    while total < BIG_CABINET_BYTES:
        size = rng.choice([0, 1, 4096, 65536, 250000, 1000000]) + rng.randrange(40000)
        files["d%d/e%d/file%03d.bin" % (i % 7, i % 3, i)] = sample_bytes(rng, size)
        total, i = total + size, i + 1
    root = os.path.join(OUT, "src", "big")
    write_tree(root, files)
    run("gcab", "-c", "-z", os.path.join(OUT, "big.cab"), *sorted(files), cwd=root)
    shutil.rmtree(root)
    reference = os.path.join(OUT, "big_reference")
    shutil.rmtree(reference, ignore_errors=True)
    run("cabextract", "-q", "-d", reference, os.path.join(OUT, "big.cab"))
    write_manifest("big.cab", tree_manifest(reference))
    shutil.rmtree(reference)


def make_zips(rng):
    root = os.path.join(OUT, "src", "folders.zip")
    write_tree(root, {"docs": None, "bin/tools/x.exe": sample_bytes(rng, 50000),
                      "readme.txt": b"read me\r\n" * 500, "package.properties": b"written=too\r\n"})
    run("zip", "-X", "-r", "-q", os.path.join(OUT, "folders.zip"), "docs", "bin", "readme.txt",
        "package.properties", cwd=root)
    write_manifest("folders.zip", tree_manifest(root))
    content = {"one.txt": b"first\r\n" * 3000, "sub/two.bin": sample_bytes(rng, 100000)}
    zipfile_archive("stored.zip", content, zipfile.ZIP_STORED)
    zipfile_archive("deflated.zip", content, zipfile.ZIP_DEFLATED)
    zipfile_archive("empty.zip", {}, zipfile.ZIP_STORED)
    zipfile_archive("retry.zip", {"retried.txt": b"found with .zip appended"}, zipfile.ZIP_DEFLATED)
    zipfile_archive("ordered.zip", {"first.txt": b"1", "second.txt": b"2", "third.txt": b"3"}, zipfile.ZIP_STORED)
    zipfile_archive("full_small.zip", {"full": b"lost in the flush"}, zipfile.ZIP_STORED)
    zipfile_archive("full_large.zip", {"full": sample_bytes(rng, 50000)}, zipfile.ZIP_DEFLATED)
    for copy in ("parallel_a.zip", "parallel_b.zip"):
        files = {"p%d/%d.bin" % (i % 3, i): sample_bytes(rng, PARALLEL_ZIP_BYTES // 16) for i in range(16)}
        zipfile_archive(copy, files, zipfile.ZIP_DEFLATED)
    shutil.copy(os.path.join(OUT, "stored.zip"), os.path.join(OUT, "Mixed.ZiP"))
    for copy in ("archive.txt", "nodot", "nodot.zip"):
        shutil.copy(os.path.join(OUT, "stored.zip"), os.path.join(OUT, copy))
    os.makedirs(os.path.join(OUT, "folder.zip"), exist_ok=True)
    shutil.copy(os.path.join(OUT, "stored.zip"), os.path.join(OUT, "folder.zip", "archive"))
    make_crafted_zips()


def make_crafted_zips():
    raw_zip("extra_named.zip", [
        {"name": b"recorded.txt", "data": b"named by its extra field", "central_extra": b"renamed.txt\0tail"},
        {"name": b"local.txt", "data": b"only the local header has a name", "local_extra": b"local-name.txt\0"},
        {"name": b"plain.txt", "data": b"no extra field", "deflate": True},
    ])
    raw_zip("bad_crc.zip", [{"name": b"good.txt", "data": b"good"},
                            {"name": b"bad.txt", "data": b"damaged" * 100, "crc": 0x12345678},
                            {"name": b"after.txt", "data": b"never reached"}])
    raw_zip("garbled.zip", [{"name": b"good.txt", "data": b"good"},
                            {"name": b"bad.bin", "data": bytes(range(256)) * 400, "deflate": True, "garble": True},
                            {"name": b"after.txt", "data": b"never reached"}])
    climbing = [b"../escape.txt", b"..\\escape.txt", b"/abs.txt", b"\\abs.txt", b"C:drive.txt",
                b"sub/../../up.txt", b"sub/.. /../up.txt", b"../escape/", b"AUX.txt", b"sub/COM1"]
    for i, name in enumerate(climbing):
        raw_zip("climbing%d.zip" % i, [{"name": b"ok.txt", "data": b"ok"}, {"name": name, "data": b"x"}])
    raw_zip("boundary.zip", [{"name": b"a" * 58, "data": b"fits"}, {"name": b"b" * 59, "data": b"too long"}])
    raw_zip("long_folder.zip", [{"name": b"d" * 120 + b"/" + b"f" * 140, "data": b"x"}])
    raw_zip("huge_name.zip", [{"name": b"n" * 600, "data": b"x"}])
    raw_zip("trimmed.zip", [{"name": b"dir. /x.txt", "data": b"x"}, {"name": b"top.txt.", "data": b"top"},
                            {"name": b"folder. /"}])
    write_manifest("trimmed.zip", manifest_of({"dir/x.txt": b"x", "top.txt": b"top", "folder": None}))
    raw_zip("blank_part.zip", [{"name": b"ok.txt", "data": b"ok"}, {"name": b"a/ /b.txt", "data": b"x"}])
    raw_zip("many.zip", [{"name": b"e%05d" % i} for i in range(TOO_MANY_ENTRIES)])
    overlapping_zip(os.path.join(OUT, "overlap.zip"))


def main():
    os.makedirs(OUT, exist_ok=True)
    if os.path.isdir(SCRATCH):
        subprocess.run(["chmod", "-R", "u+w", SCRATCH], check=False)
        shutil.rmtree(SCRATCH)
    os.makedirs(SCRATCH)
    rng = random.Random(20240607)
    make_cabinets(rng)
    make_zips(rng)
    make_big_cabinet(rng)


if __name__ == "__main__":
    main()
