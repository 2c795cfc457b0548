#!/usr/bin/env python3
"""The signature check's test vectors: fixed bytes signed by each of the build's test keys
(first, second and other, made by tools/release/release_keys.py new), and the keys'
public-key blobs, as a C++ source for the base unit tests.

    make_signature_vectors.py OUT.cpp KEY_FOLDER

Signing runs openssl as tools/make-release --sign does (openssl dgst -sha256 -sign)."""

import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[3] / "tools" / "release"))
import release_keys  # noqa: E402

KEYS = ("first", "second", "other")
SIGNED = (b"ostrel-release-manifest 1\nversion 1.2.3.4\ndate 2026-12-09\n"
          b"list packages.properties 0 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\n")


def array(name, data, counted=True):
    rows = ["    " + ", ".join("0x%02x" % byte for byte in data[at:at + 16]) + "," for at in range(0, len(data), 16)]
    length = ["const size_t %sLength = sizeof %s;" % (name, name)] if counted else []
    return ["const unsigned char %s[] = {" % name, *rows, "};", *length]


def main(out, folder):
    folder = Path(folder)
    lines = ["// Made by tests/unit/base/make_signature_vectors.py from the build's test keys.",
             '#include "release_signature_vectors.h"', ""]
    lines += array("kSignedBytes", SIGNED)
    for key in KEYS:
        title = key.capitalize()
        blob = release_keys.public_key_blob((folder / (key + ".pub.pem")).read_text())
        signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", str(folder / (key + ".pem"))],
                                   input=SIGNED, capture_output=True, check=True).stdout
        lines += array("kBlob" + title, blob, counted=False)
        lines.append("const ReleaseKey kKey%s = {kBlob%s, sizeof kBlob%s};" % (title, title, title))
        lines += array("kSignatureBy" + title, signature)
    Path(out).write_text("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
