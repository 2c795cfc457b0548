#!/usr/bin/env python3
"""Release keys: making a key pair, and turning public keys into the plug-in's source.

    release_keys.py new KEY            writes KEY.pem (private, keep it secret) and
                                       KEY.pub.pem (public, built into the plug-in)
    release_keys.py source OUT [PUBLIC_PEM ...]
                                       writes OUT, the C++ definition of the keys the
                                       plug-in trusts, in the system's public-key blob
                                       form; no PEM makes a plug-in without keys

The keys are RSA (3072 bits from "new"); a release's manifest is signed with the private
key (RSA PKCS #1 v1.5 over SHA-256, as tools/make-release --sign does). Needs python3
and, for "new", openssl.
"""

import base64
import subprocess
import sys
from pathlib import Path

KEY_BITS = 3072
# The system's public-key blob: BLOBHEADER (PUBLICKEYBLOB, version 2, the RSA signature
# algorithm) and RSAPUBKEY ("RSA1", bit length, public exponent), then the modulus with
# its least significant byte first.
PUBLICKEYBLOB = 6
BLOB_VERSION = 2
CALG_RSA_SIGN = 0x2400
RSA1 = 0x31415352


class KeyError_(Exception):
    pass


def der_item(data, at):
    """(tag, content start, content end) of the DER item at offset at."""
    if at + 2 > len(data):
        raise KeyError_("the key ends early")
    tag, length = data[at], data[at + 1]
    at += 2
    if length & 0x80:
        count = length & 0x7F
        if count == 0 or count > 4 or at + count > len(data):
            raise KeyError_("the key holds a length it cannot have")
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    if at + length > len(data):
        raise KeyError_("the key ends early")
    return tag, at, at + length


def der_children(data, start, end):
    items, at = [], start
    while at < end:
        tag, content, after = der_item(data, at)
        items.append((tag, content, after))
        at = after
    return items


def rsa_numbers(der):
    """(modulus, exponent) of a SubjectPublicKeyInfo or a PKCS #1 RSAPublicKey."""
    tag, start, end = der_item(der, 0)
    if tag != 0x30:
        raise KeyError_("the key is no DER sequence")
    children = der_children(der, start, end)
    if len(children) == 2 and children[0][0] == 0x30 and children[1][0] == 0x03:
        # SubjectPublicKeyInfo: the algorithm, then a bit string holding an RSAPublicKey.
        _, content, after = children[1]
        return rsa_numbers(der[content + 1:after])
    if len(children) == 2 and all(child[0] == 0x02 for child in children):
        return tuple(int.from_bytes(der[content:after], "big") for _, content, after in children)
    raise KeyError_("the key is no RSA public key")


def pem_body(text):
    lines = [line.strip() for line in text.splitlines()]
    begins = [i for i, line in enumerate(lines) if line.startswith("-----BEGIN") and "PUBLIC KEY" in line]
    if not begins:
        raise KeyError_("no PUBLIC KEY block in it")
    body = []
    for line in lines[begins[0] + 1:]:
        if line.startswith("-----END"):
            return base64.b64decode("".join(body))
        body.append(line)
    raise KeyError_("its PUBLIC KEY block does not end")


def public_key_blob(pem_text):
    modulus, exponent = rsa_numbers(pem_body(pem_text))
    bits = modulus.bit_length()
    if bits < 2048 or exponent >= 1 << 32:
        raise KeyError_("an RSA key of at least 2048 bits with a 32-bit exponent is needed")
    size = (bits + 7) // 8
    header = bytes([PUBLICKEYBLOB, BLOB_VERSION, 0, 0]) + CALG_RSA_SIGN.to_bytes(4, "little")
    rsa = RSA1.to_bytes(4, "little") + (size * 8).to_bytes(4, "little") + exponent.to_bytes(4, "little")
    return header + rsa + modulus.to_bytes(size, "little")


def source_text(blobs, names):
    lines = ["// Made by tools/release/release_keys.py from %s: the release keys this plug-in trusts."
             % (", ".join(names) if names else "no key"),
             '#include "base/release_keys.h"', ""]
    if not blobs:
        lines += ["const ReleaseKey kReleaseKeys[1] = {};", "const int kReleaseKeyCount = 0;"]
        return "\n".join(lines) + "\n"
    lines.append("namespace {")
    for n, blob in enumerate(blobs):
        lines.append("const unsigned char kKey%d[] = {" % n)
        for at in range(0, len(blob), 16):
            lines.append("    " + ", ".join("0x%02x" % byte for byte in blob[at:at + 16]) + ",")
        lines.append("};")
    lines += ["}  // namespace", "", "const ReleaseKey kReleaseKeys[] = {"]
    lines += ["    {kKey%d, sizeof kKey%d}," % (n, n) for n in range(len(blobs))]
    lines += ["};", "const int kReleaseKeyCount = %d;" % len(blobs)]
    return "\n".join(lines) + "\n"


def write_source(out, pems):
    blobs = []
    for pem in pems:
        try:
            blobs.append(public_key_blob(Path(pem).read_text()))
        except (OSError, ValueError, KeyError_) as error:
            raise KeyError_("%s cannot be used as a release key: %s" % (pem, error))
    text = source_text(blobs, [Path(pem).name for pem in pems])
    out = Path(out)
    # Written only when it changes, so that the build does not relink for nothing.
    if not out.exists() or out.read_text() != text:
        out.parent.mkdir(parents=True, exist_ok=True)
        out.write_text(text)


def new_key(base):
    private, public = Path(base + ".pem"), Path(base + ".pub.pem")
    private.parent.mkdir(parents=True, exist_ok=True)
    for command in (["openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:%d" % KEY_BITS,
                     "-out", str(private)],
                    ["openssl", "pkey", "-in", str(private), "-pubout", "-out", str(public)]):
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            raise KeyError_("openssl failed: " + done.stderr.strip())
    private.chmod(0o600)


def main(argv):
    try:
        if len(argv) == 2 and argv[0] == "new":
            new_key(argv[1])
            return 0
        if len(argv) >= 2 and argv[0] == "source":
            write_source(argv[1], argv[2:])
            return 0
    except KeyError_ as error:
        print("release_keys: %s" % error, file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
