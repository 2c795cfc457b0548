"""The signed manifest of a release: its text, made and signed with openssl, and its
reading, with the check of a release folder against it before it is published.

A manifest names the package list and every archive of a release with their sizes and
SHA-256 digests, and ends with an RSA signature (PKCS #1 v1.5 over SHA-256, as
"openssl dgst -sha256 -sign" makes it) over every byte before its signature line. The
plug-in, with a release key built in, refuses a release whose manifest does not read by
the rules below or is not signed by one of its keys, and every archive that differs from
the manifest. The reader here follows the plug-in's rules and, where they leave room,
takes the stricter reading (the last line too ends with a line feed; no blank at either
end of the version or date), so that a folder it passes is one the plug-in takes.
"""

import collections
import datetime
import hashlib
import re
import subprocess
import tempfile
from pathlib import Path

import release_keys

HEADER = "ostrel-release-manifest 1"
# The manifest is served at the package list's URL with this appended to the path.
SUFFIX = ".manifest"
MAX_BYTES = 1 << 20
MAX_FILES = 1000
MAX_NAME = 259
MAX_TEXT = 63
FILE_LINE = '"file NAME SIZE SHA256"'
LIST_LINE = '"list NAME SIZE SHA256"'

Entry = collections.namedtuple("Entry", "name size sha256")
# signed: the bytes the signature covers; signature: its bytes, most significant first;
# expires: the last day (UTC, YYYY-MM-DD) the plug-in takes the release, or None.
Manifest = collections.namedtuple("Manifest", "version date package_list files signed signature expires")


class ManifestError(Exception):
    pass


def name_fault(name):
    """Why an archive or package-list name cannot stand in a manifest, or None."""
    if not 1 <= len(name) <= MAX_NAME:
        return "a name has 1 to %d characters" % MAX_NAME
    if name in (".", ".."):
        return "a name cannot be \".\" or \"..\""
    for character in name:
        if character in " /\\:":
            return "a name cannot hold %r" % character
        if not " " < character < "\x7f":
            return "a name holds only printable ASCII characters"
    return None


def text_fault(text):
    """Why a version or date cannot stand in a manifest, or None."""
    if not 1 <= len(text) <= MAX_TEXT or not all(" " <= c < "\x7f" for c in text):
        return "it must be 1 to %d printable ASCII characters" % MAX_TEXT
    if text != text.strip(" "):
        return "it cannot start or end with a blank"
    return None


def date_fault(text):
    """Why a text is no expiry date YYYY-MM-DD of a day that exists, or None."""
    if not re.fullmatch(r"[0-9]{4}-[0-9]{2}-[0-9]{2}", text):
        return "it is no date YYYY-MM-DD"
    try:
        datetime.date.fromisoformat(text)
    except ValueError:
        return "there is no such day"
    return None


def utc_today():
    return datetime.datetime.now(datetime.timezone.utc).date()


def expired(manifest, today):
    """True when the manifest expires and today (a date) is past its last day."""
    return manifest.expires is not None and today.isoformat() > manifest.expires


def body_text(version, date, package_list, files, expires=None):
    """The manifest up to its signature line; with expires (YYYY-MM-DD) its expiry."""
    lines = [HEADER, "version " + version, "date " + date]
    lines += ["expires " + expires] if expires else []
    lines += ["list %s %d %s" % package_list]
    lines += ["file %s %d %s" % entry for entry in files]
    return "".join(line + "\n" for line in lines)


def openssl(arguments, what):
    done = subprocess.run(["openssl", *arguments], capture_output=True)
    if done.returncode != 0:
        said = done.stderr.decode(errors="replace").strip().splitlines()
        raise ManifestError("%s: openssl says %s" % (what, said[0] if said else "nothing"))
    return done.stdout


def public_key_of(private_key):
    """The public key of a private key, as PEM text, refused unless the plug-in can
    carry it (release_keys makes the plug-in's keys)."""
    pem = openssl(["pkey", "-in", str(private_key), "-pubout"],
                  "%s cannot be read as a private key" % private_key)
    check_public_key(pem.decode(), private_key)
    return pem


def check_public_key(pem_text, name):
    try:
        release_keys.public_key_blob(pem_text)
    except (ValueError, release_keys.KeyError_) as error:
        raise ManifestError("%s cannot be a release key: %s" % (name, error))


def signed_manifest(body, private_key):
    """The whole manifest: body, then the signature of its bytes by private_key."""
    with tempfile.TemporaryDirectory(prefix="release-manifest-") as folder:
        data = Path(folder) / "body"
        data.write_bytes(body.encode("ascii"))
        signature = openssl(["dgst", "-sha256", "-sign", str(private_key), str(data)],
                            "the manifest could not be signed with %s" % private_key)
    return body.encode("ascii") + b"signature " + signature.hex().encode("ascii") + b"\n"


def signature_verifies(manifest, public_key):
    """True when public_key (a PEM file) verifies the manifest's signature."""
    with tempfile.TemporaryDirectory(prefix="release-manifest-") as folder:
        data, signature = Path(folder) / "signed", Path(folder) / "signature"
        data.write_bytes(manifest.signed)
        signature.write_bytes(manifest.signature)
        done = subprocess.run(["openssl", "dgst", "-sha256", "-verify", str(public_key), "-signature",
                               str(signature), str(data)], capture_output=True)
    return done.returncode == 0


SIZE = re.compile(r"(0|[1-9][0-9]{0,9})\Z")
SHA256 = re.compile(r"[0-9a-fA-F]{64}\Z")
SIGNATURE = re.compile(r"(?:[0-9a-fA-F]{2})+\Z")


def manifest_lines(data):
    """[(line number, offset of its first byte, its text)], each line ended by LF (a CR
    before it is dropped) and of printable ASCII characters only."""
    if len(data) > MAX_BYTES:
        raise ManifestError("it is larger than 1 MiB")
    lines, at = [], 0
    while at < len(data):
        number, end = len(lines) + 1, data.find(b"\n", at)
        if end < 0:
            raise ManifestError("line %d does not end with a line feed" % number)
        raw = data[at:end - 1] if data[at:end].endswith(b"\r") else data[at:end]
        if any(not 0x20 <= byte < 0x7F for byte in raw):
            raise ManifestError("line %d holds a byte that is no printable ASCII character" % number)
        lines.append((number, at, raw.decode("ascii")))
        at = end + 1
    return lines


def entry_line(fields, number, form):
    name, size, digest = (fields + ["", "", ""])[1:4]
    if len(fields) != 4 or name_fault(name) or not SIZE.match(size) or int(size) >= 1 << 32 \
            or not SHA256.match(digest):
        raise ManifestError("line %d is no %s" % (number, form))
    return Entry(name, int(size), digest.lower())


class ManifestReading:
    """The items of a manifest as its lines are read, each line checked as it comes."""

    def __init__(self):
        self.items = {}
        self.files = []
        self.names = set()

    def once(self, keyword, value, number):
        if keyword in self.items:
            what = "package list" if keyword == "list" else keyword
            raise ManifestError("line %d repeats the %s" % (number, what))
        self.items[keyword] = value

    def line(self, number, text):
        keyword, blank, rest = text.partition(" ")
        if keyword in ("version", "date"):
            if not blank or text_fault(rest):
                raise ManifestError('line %d is no "%s TEXT" of 1 to %d characters, no blank at either end'
                                    % (number, keyword, MAX_TEXT))
            self.once(keyword, rest, number)
        elif keyword == "expires":
            if not blank or date_fault(rest):
                raise ManifestError('line %d is no "expires YYYY-MM-DD" of a real date' % number)
            self.once(keyword, rest, number)
        elif keyword == "list":
            self.once(keyword, entry_line(text.split(" "), number, LIST_LINE), number)
        elif keyword == "file":
            self.file(entry_line(text.split(" "), number, FILE_LINE), number)
        else:
            raise ManifestError("line %d is no line of a manifest" % number)

    def file(self, entry, number):
        if len(self.files) == MAX_FILES:
            raise ManifestError("line %d names more than %d files" % (number, MAX_FILES))
        if entry.name.lower() in self.names:
            raise ManifestError("line %d names %s a second time" % (number, entry.name))
        self.names.add(entry.name.lower())
        self.files.append(entry)

    def missing(self):
        for keyword, what in (("version", "no version"), ("date", "no date"), ("list", "no package list")):
            if keyword not in self.items:
                return what
        return None if self.files else "no file"


def signature_line(text, number):
    fields = text.split(" ")
    if len(fields) != 2 or not SIGNATURE.match(fields[1]):
        raise ManifestError('line %d is no "signature HEX" of an even number of hex digits' % number)
    return bytes.fromhex(fields[1])


def read_manifest(data):
    """The Manifest in data (bytes); ManifestError says which line breaks which rule."""
    lines = manifest_lines(data)
    if not lines or lines[0][2] != HEADER:
        raise ManifestError('line 1 is no "%s"' % HEADER)
    reading = ManifestReading()
    for number, at, text in lines[1:]:
        if text.partition(" ")[0] != "signature":
            reading.line(number, text)
            continue
        signature = signature_line(text, number)
        if number != len(lines):
            raise ManifestError("line %d follows the signature" % (number + 1))
        lack = reading.missing()
        if lack:
            raise ManifestError("it names %s before its signature" % lack)
        items = reading.items
        return Manifest(items["version"], items["date"], items["list"], reading.files, data[:at], signature,
                        items.get("expires"))
    raise ManifestError("it has no signature line")


def entry_on_disk(path):
    """The Entry of a file, its digest computed a part at a time (archives can be large)."""
    digest, size = hashlib.sha256(), 0
    with open(path, "rb") as file:
        for part in iter(lambda: file.read(1 << 20), b""):
            digest.update(part)
            size += len(part)
    return Entry(Path(path).name, size, digest.hexdigest())


def check_file(folder, entry):
    path = Path(folder) / entry.name
    if not path.is_file():
        raise ManifestError("%s, named in the manifest, is not in %s" % (entry.name, folder))
    found = entry_on_disk(path)
    if (found.size, found.sha256) != (entry.size, entry.sha256):
        raise ManifestError("%s differs from the one the manifest names: %d bytes of SHA-256 %s, "
                            "the manifest names %d bytes of %s" %
                            (entry.name, found.size, found.sha256, entry.size, entry.sha256))


def read_signed_manifest(path, public_key):
    try:
        with open(path, "rb") as file:
            data = file.read(MAX_BYTES + 1)
    except OSError as error:
        raise ManifestError("the manifest %s cannot be read: %s" % (path, error.strerror or error))
    try:
        manifest = read_manifest(data)
    except ManifestError as error:
        raise ManifestError("the manifest %s cannot be read: %s" % (path, error))
    if not signature_verifies(manifest, public_key):
        raise ManifestError("the manifest %s is not signed by %s" % (path, public_key))
    return manifest


def verify_release(folder, public_key, package_list, today=None):
    """Checks a release folder before it is published: the manifest beside its package
    list reads, is signed by public_key (a PEM file) and has not expired by today (a date;
    default: today, UTC), the package list and every archive it names are in the folder
    as named, and every archive there is named. Returns the Manifest; raises
    ManifestError naming the first fault."""
    folder = Path(folder)
    try:
        check_public_key(Path(public_key).read_text(errors="replace"), public_key)
    except OSError as error:
        raise ManifestError("%s cannot be read: %s" % (public_key, error.strerror or error))
    manifest = read_signed_manifest(folder / (package_list + SUFFIX), public_key)
    if expired(manifest, today or utc_today()):
        raise ManifestError("the manifest expired on %s: the plug-in refuses it; sign the release again"
                            % manifest.expires)
    if manifest.package_list.name != package_list:
        raise ManifestError("the manifest names the package list %s, not %s" %
                            (manifest.package_list.name, package_list))
    for entry in [manifest.package_list, *manifest.files]:
        check_file(folder, entry)
    named = {entry.name.lower() for entry in manifest.files}
    for path in sorted(folder.iterdir()):
        if path.is_file() and path.suffix.lower() in (".cab", ".zip") and path.name.lower() not in named:
            raise ManifestError("%s is not named in the manifest" % path)
    return manifest
