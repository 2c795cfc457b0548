#!/usr/bin/env python3
"""Makes the update feed of a client release: from a folder of release archives (cabinets
and zips) and the base URL they will be served from, the package list and the page's
embed parameters for the plug-in.

    tools/make-release RELEASE_FOLDER BASE_URL [--out FOLDER] [--allow-conflicts]
                       [--configuration NAME]
                       [--sign PRIVATE_KEY.pem [--version V] [--date YYYY-MM-DD]
                        [--expires YYYY-MM-DD | --valid-days N]]
    tools/make-release --verify PUBLIC_KEY.pem FOLDER

Every PE file inside an archive that carries a version resource becomes an element of the
archive's file set, with its four-part file version: the version the plug-in reads from
the installed file of the same name. Element j of every set reads its version from the
one key ".version.j", so the tool orders each set's elements for the sets to agree; when
they cannot, it names the sets and stops (or, with --allow-conflicts, warns and writes
the first set's version there). Two archives holding the same file at different versions
are always refused.

A zip entry whose extra field the plug-in would take for a name other than the recorded
one (a field that does not read as standard blocks) is refused, naming the entry.

Writes into FOLDER (default: the release folder) "packages.properties" and "embed.txt"
(NumFiles, File n "URL;", FileSize n, FileSha256 n), with --configuration a configuration
file of that name pointing at the package list, and prints the embed parameters. Before
it ends it reads the package list back with the plug-in's own reader
(tools/release_check, built on first use with the machine's compiler) and fails when the
plug-in would see anything else. Exits 1 with a message on any archive it cannot read or
any refusal, 0 otherwise. Needs python3, cabextract, cmake and g++.

With --sign it also writes "packages.properties.manifest" beside the package list: the
package list and every archive (in the list's order) with their sizes and SHA-256
digests, the release's version (default: the highest file version in its archives, or
0.0.0.0) and date (default: today, UTC), signed with the private key by openssl (see
release_manifest.py). With --expires, or --valid-days N (today, UTC, and N days more),
the manifest names the last day (UTC) on which the plug-in takes the release: a copy
served or replayed after it is refused, so the release must be signed again before then.
Archive names a manifest cannot carry are refused before anything is written. --verify
checks a signed release folder before it is published: the manifest reads, the public key
verifies its signature, it has not expired, the package list and every archive it names
are in FOLDER as named, and every archive in FOLDER is named. Both need openssl.
"""

import argparse
import collections
import datetime
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import release_manifest

ROOT = Path(__file__).resolve().parents[2]
CHECKER_SOURCE = ROOT / "tools" / "release_check"
PACKAGE_LIST = "packages.properties"
EMBED = "embed.txt"


class ReleaseError(Exception):
    pass


def pe_file_version(data):
    """The four numbers of a PE file's file version, or None for anything else."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        return None
    # The fixed file information follows the version resource's key; its signature alone
    # could also turn up by chance in the code.
    key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    fixed = data.find(struct.pack("<I", 0xFEEF04BD), key) if key >= 0 else -1
    if fixed < 0 or fixed + 16 > len(data):
        return None
    most, least = struct.unpack_from("<II", data, fixed + 8)
    return (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def reads_as_extra_blocks(field):
    """Whether a zip extra field is the standard sequence of blocks (a 2-byte tag, a 2-byte
    size and that many bytes), filling the field exactly, as the plug-in decides it."""
    at = 0
    while len(field) - at >= 4:
        at += 4 + struct.unpack_from("<H", field, at + 2)[0]
    return at == len(field)


def extra_field_name(field):
    """The name the plug-in takes from an entry's extra field in the archive's directory (a
    field that starts with no NUL and does not read as standard blocks: its text up to the
    first NUL, 520 bytes at the most), or None when it takes the recorded name."""
    if not field or field[0] == 0 or reads_as_extra_blocks(field):
        return None
    return field.split(b"\0", 1)[0][:520]


def directory_entries(data):
    """[(recorded name, extra field)] as bytes, from the archive's directory, which the
    plug-in reads its names from; [] when no directory is found (the zip reader then says
    what is wrong). Python's zip reader itself refuses a field that does not read as
    standard blocks, so the directory is read here first."""
    end = data.rfind(b"PK\5\6", max(0, len(data) - 22 - 0xFFFF))
    if end < 0 or end + 22 > len(data):
        return []
    count, _, at = struct.unpack_from("<HII", data, end + 10)
    entries = []
    for _ in range(count):
        if data[at:at + 4] != b"PK\1\2" or at + 46 > len(data):
            return entries
        name_length, extra_length, comment_length = struct.unpack_from("<HHH", data, at + 28)
        name = data[at + 46:at + 46 + name_length]
        entries.append((name, data[at + 46 + name_length:at + 46 + name_length + extra_length]))
        at += 46 + name_length + extra_length + comment_length
    return entries


def refuse_renaming_extra_fields(path):
    """An entry whose extra field the plug-in would take for another name is refused: the
    release would unpack under that name."""
    for recorded, extra in directory_entries(path.read_bytes()):
        name = extra_field_name(extra)
        if name is not None and name != recorded:
            raise ReleaseError("%s: the entry %s would be unpacked as %r: its extra field in the archive's "
                               "directory does not read as standard blocks (a 2-byte tag and a 2-byte size "
                               "each, filling the field), and the plug-in takes such a field for the entry's "
                               "name" % (path, recorded.decode("latin-1"), name.decode("latin-1")))


def archive_members(path):
    """{member path with "/": bytes} of a cabinet or zip."""
    suffix = path.suffix.lower()
    if suffix == ".zip":
        refuse_renaming_extra_fields(path)
        try:
            with zipfile.ZipFile(path) as archive:
                return {info.filename: archive.read(info) for info in archive.infolist() if not info.is_dir()}
        except (zipfile.BadZipFile, OSError, RuntimeError) as error:
            raise ReleaseError("%s cannot be read as a zip: %s" % (path, error))
    with tempfile.TemporaryDirectory(prefix="make-release-") as folder:
        done = subprocess.run(["cabextract", "-q", "-d", folder, str(path)], capture_output=True, text=True)
        if done.returncode != 0:
            raise ReleaseError("%s cannot be read as a cabinet: %s" % (path, done.stderr.strip() or "cabextract failed"))
        return {str(file.relative_to(folder)).replace(os.sep, "/"): file.read_bytes()
                for file in sorted(Path(folder).rglob("*")) if file.is_file()}


def read_release(folder):
    """[(archive name, size, sha256, {element path: version})] in name order."""
    archives = sorted(p for p in Path(folder).iterdir() if p.is_file() and p.suffix.lower() in (".cab", ".zip"))
    if not archives:
        raise ReleaseError("%s holds no .cab or .zip archive" % folder)
    release = []
    for path in archives:
        data = path.read_bytes()
        elements = {}
        for name, member in archive_members(path).items():
            version = pe_file_version(member)
            if version:
                elements[name] = version
        release.append((path.name, len(data), hashlib.sha256(data).hexdigest(), elements))
    return release


def refuse_same_files_at_other_versions(release):
    seen = {}
    for archive, _, _, elements in release:
        for name, version in elements.items():
            other = seen.setdefault(name.lower(), (archive, version))
            if other[1] != version:
                raise ReleaseError("%s holds %s at %s, but %s holds it at %s" %
                                   (archive, name, text(version), other[0], text(other[1])))


def shared_versions(release, allow_conflicts):
    """The versions at ".version.0", ".version.1" ... and each set's elements in index order.
    Sets are taken from the smallest: each must hold the versions the smaller ones put at
    the first indexes, and adds its others after them."""
    order = sorted(range(len(release)), key=lambda i: (len(release[i][3]), release[i][0]))
    sequence, owner, warnings = [], [], []
    for i in order:
        archive, _, _, elements = release[i]
        have = collections.Counter(elements.values())
        needed = collections.Counter(sequence[:len(elements)])
        missing = needed - have
        if missing:
            version = next(iter(missing))
            index = sequence.index(version)
            message = ("%s and %s cannot share the version indexes: %s puts %s at .version.%d, "
                       "which %s does not hold" % (owner[index], archive, owner[index], text(version), index, archive))
            if not allow_conflicts:
                raise ReleaseError(message)
            warnings.append("warning: " + message)
            continue
        extra = sorted((have - needed).elements())
        for version in extra[:max(0, len(elements) - len(sequence))]:
            sequence.append(version)
            owner.append(archive)
    ordered = {}
    for archive, _, _, elements in release:
        remaining = sorted(elements.items())
        chosen = []
        for version in sequence[:len(elements)]:
            match = next((pair for pair in remaining if pair[1] == version), None)
            if match is None:
                break
            remaining.remove(match)
            chosen.append(match)
        # A set in conflict (allowed): its other elements follow in name order, and read the
        # version at their index, which is another set's.
        for name, version in remaining:
            index = len(chosen)
            if index < len(sequence) and sequence[index] != version:
                warnings.append("warning: %s: %s is listed with %s, not its own %s" %
                                (archive, name, text(sequence[index]), text(version)))
            elif index >= len(sequence):
                sequence.append(version)
                owner.append(archive)
            chosen.append((name, version))
        ordered[archive] = chosen
    return sequence, ordered, warnings


def text(version):
    return ",".join(str(number) for number in version)


def package_list_text(release, sequence, ordered):
    lines = ["# Made by tools/make-release", "updaterFiles=%d" % len(release)]
    for n, (archive, _, _, elements) in enumerate(release):
        lines += ["updaterFile.%d=%s" % (n, archive), "%s.files=%d" % (archive, len(elements))]
        lines += ["%s.element.%d=%s" % (archive, j, name) for j, (name, _) in enumerate(ordered[archive])]
        newest = max(elements.values()) if elements else None
        lines.append("%s.version=%s" % (archive, ".".join(map(str, newest)) if newest else ""))
    lines += [".version.%d=%s" % (j, text(version)) for j, version in enumerate(sequence)]
    return "".join(line + "\n" for line in lines)


def embed_parameters(release, base_url):
    parameters = [("NumFiles", str(len(release)))]
    for n, (archive, size, digest, _) in enumerate(release):
        number = str(n) if n < 100 else ""
        parameters += [("File" + number, "%s/%s;" % (base_url, archive)), ("FileSize" + number, str(size)),
                       ("FileSha256" + number, digest)]
    return parameters


def configuration_text(base_url, more=()):
    """A configuration file pointing at the package list, then the (name, value) pairs of
    more. The plug-in reads configuration files with CR LF line ends only."""
    pairs = [("smartclient.configURL", "%s/%s" % (base_url.rstrip("/"), PACKAGE_LIST)), *more]
    return "".join("%s=%s\r\n" % pair for pair in pairs)


def checker(build_folder):
    """The checker, configured once and brought up to date with the reader's sources."""
    commands = [["cmake", "--build", str(build_folder)]]
    if not (build_folder / "CMakeCache.txt").exists():
        commands.insert(0, ["cmake", "-S", str(CHECKER_SOURCE), "-B", str(build_folder), "-DCMAKE_BUILD_TYPE=Release"])
    for command in commands:
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            raise ReleaseError("the package-list checker could not be built:\n" + done.stdout + done.stderr)
    # Where single- and multi-configuration generators put it, on Linux and on Windows.
    for program in ("release_check", "release_check.exe", "Release/release_check.exe", "Debug/release_check.exe"):
        if (build_folder / program).exists():
            return build_folder / program
    raise ReleaseError("the package-list checker was built, but not found in %s" % build_folder)


def check_with_plugin_reader(program, list_path, release, sequence, ordered):
    done = subprocess.run([str(program), str(list_path)], capture_output=True, text=True)
    expected = []
    for n, (archive, _, _, elements) in enumerate(release):
        newest = max(elements.values()) if elements else None
        expected.append("set %d %s files=%d version=%s" % (n, archive, len(elements),
                                                            ".".join(map(str, newest)) if newest else ""))
        expected += ["element %d %d %s version=%s" % (n, j, name, text(sequence[j]))
                     for j, (name, _) in enumerate(ordered[archive])]
    if done.returncode != 0 or done.stdout.splitlines() != expected:
        raise ReleaseError("the plug-in would read %s otherwise than it was meant:\n%s%s" %
                           (list_path, done.stdout, done.stderr))


def release_version(release):
    """The highest file version in the release's archives, "a.b.c.d"."""
    versions = [version for _, _, _, elements in release for version in elements.values()]
    return ".".join(map(str, max(versions))) if versions else "0.0.0.0"


def refuse_unsignable_names(release):
    if len(release) > release_manifest.MAX_FILES:
        raise ReleaseError("a signed manifest names at most %d archives, the release has %d" %
                           (release_manifest.MAX_FILES, len(release)))
    seen = {}
    for archive, _, _, _ in release:
        fault = release_manifest.name_fault(archive)
        if fault:
            raise ReleaseError("the archive %r cannot be named in a signed manifest: %s" % (archive, fault))
        other = seen.setdefault(archive.lower(), archive)
        if other != archive:
            raise ReleaseError("the archives %s and %s differ only in case, which the plug-in does not tell "
                               "apart" % (other, archive))


def expiry_of(expires, valid_days, today):
    """The manifest's last day (YYYY-MM-DD) from --expires or --valid-days, or None."""
    if valid_days is not None:
        if valid_days < 1:
            raise ReleaseError("--valid-days takes a number of days from 1 on, not %d" % valid_days)
        return (today + datetime.timedelta(days=valid_days)).isoformat()
    if expires is None:
        return None
    fault = release_manifest.date_fault(expires)
    if fault:
        raise ReleaseError("the expiry %r cannot stand in a manifest: %s" % (expires, fault))
    if expires < today.isoformat():
        raise ReleaseError("the expiry %s has passed: the plug-in would refuse the release at once" % expires)
    return expires


def manifest_plan(release, private_key, version=None, date=None, expires=None, valid_days=None, today=None):
    """(private key, version, date, expiry) of the manifest to sign, checked before
    anything is written: the archives' names, the version, date and expiry, and that the
    key is one the plug-in can carry."""
    refuse_unsignable_names(release)
    today = today or release_manifest.utc_today()
    version = release_version(release) if version is None else version
    date = today.isoformat() if date is None else date
    expires = expiry_of(expires, valid_days, today)
    fault = release_manifest.text_fault(version)
    if fault:
        raise ReleaseError("the version %r cannot stand in a manifest: %s" % (version, fault))
    try:
        if not re.fullmatch(r"[0-9]{4}-[0-9]{2}-[0-9]{2}", date):
            raise ValueError(date)
        datetime.datetime.strptime(date, "%Y-%m-%d")
    except ValueError:
        raise ReleaseError("the date %r is no date YYYY-MM-DD" % date)
    release_manifest.public_key_of(private_key)
    return private_key, version, date, expires


def write_manifest(out, release, plan):
    private_key, version, date, expires = plan
    package_list = release_manifest.entry_on_disk(out / PACKAGE_LIST)
    files = [release_manifest.Entry(archive, size, digest) for archive, size, digest, _ in release]
    body = release_manifest.body_text(version, date, package_list, files, expires)
    manifest = release_manifest.signed_manifest(body, private_key)
    (out / (PACKAGE_LIST + release_manifest.SUFFIX)).write_bytes(manifest)


def make_release(folder, base_url, out=None, allow_conflicts=False, configuration=None, checker_build=None,
                 signing_key=None, version=None, date=None, expires=None, valid_days=None, today=None):
    """Writes the feed, and with signing_key (a private key's PEM file) its signed
    manifest, expiring as expires or valid_days say (today: a date, default today in
    UTC); returns (embed parameters, warnings)."""
    folder = Path(folder)
    out = Path(out) if out else folder
    base_url = base_url.rstrip("/")
    release = read_release(folder)
    refuse_same_files_at_other_versions(release)
    sequence, ordered, warnings = shared_versions(release, allow_conflicts)
    plan = manifest_plan(release, signing_key, version, date, expires, valid_days, today) if signing_key else None
    out.mkdir(parents=True, exist_ok=True)
    list_path = out / PACKAGE_LIST
    list_path.write_text(package_list_text(release, sequence, ordered), encoding="ascii")
    parameters = embed_parameters(release, base_url)
    (out / EMBED).write_text("".join('%s="%s"\n' % pair for pair in parameters), encoding="ascii")
    if configuration:
        (out / configuration).write_bytes(configuration_text(base_url).encode())
    build = Path(checker_build) if checker_build else ROOT / "build-tools" / "release_check"
    check_with_plugin_reader(checker(build), list_path, release, sequence, ordered)
    if plan:
        write_manifest(out, release, plan)
    return parameters, warnings


def verify(argv, today=None):
    parser = argparse.ArgumentParser(description="Checks a signed release folder before it is published.")
    parser.add_argument("--verify", required=True, metavar="PUBLIC_KEY.pem")
    parser.add_argument("folder")
    args = parser.parse_args(argv)
    manifest = release_manifest.verify_release(args.folder, args.verify, PACKAGE_LIST, today)
    expiry = ", expires after %s (UTC)" % manifest.expires if manifest.expires else ""
    print("make-release: verified: version %s of %s%s, %d archives, signed by %s" %
          (manifest.version, manifest.date, expiry, len(manifest.files), args.verify))
    return 0


def make(argv, today=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("base_url")
    parser.add_argument("--out")
    parser.add_argument("--allow-conflicts", action="store_true")
    parser.add_argument("--configuration")
    parser.add_argument("--sign", metavar="PRIVATE_KEY.pem")
    parser.add_argument("--version", help="the release's version in the manifest")
    parser.add_argument("--date", metavar="YYYY-MM-DD", help="the release's date in the manifest")
    lifetime = parser.add_mutually_exclusive_group()
    lifetime.add_argument("--expires", metavar="YYYY-MM-DD", help="the last day (UTC) the plug-in takes the release")
    lifetime.add_argument("--valid-days", type=int, metavar="N", help="the release expires N days after today (UTC)")
    args = parser.parse_args(argv)
    signing_options = (args.version, args.date, args.expires, args.valid_days)
    if not args.sign and any(option is not None for option in signing_options):
        parser.error("--version, --date, --expires and --valid-days go with --sign")
    parameters, warnings = make_release(args.folder, args.base_url, args.out, args.allow_conflicts,
                                        args.configuration, signing_key=args.sign, version=args.version,
                                        date=args.date, expires=args.expires, valid_days=args.valid_days,
                                        today=today)
    for warning in warnings:
        print("make-release: %s" % warning, file=sys.stderr)
    for name, value in parameters:
        print('%s="%s"' % (name, value))
    return 0


def main(argv, today=None):
    """The tool; today (a date) stands in for the UTC date of the clock."""
    try:
        return verify(argv, today) if "--verify" in argv else make(argv, today)
    except (ReleaseError, release_manifest.ManifestError) as error:
        print("make-release: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
