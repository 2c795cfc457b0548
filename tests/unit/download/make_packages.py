#!/usr/bin/env python3
"""Makes the package files that the file-set update tests download, in DIR/files/:

    client.cab   a cabinet holding bin/updater.exe and bin/client.txt
    CLIENT2.CAB  the same under an upper-case name
    docs.cab     a cabinet holding docs/readme.txt
    extras.zip   a zip holding extras/extra.txt (no extra fields)
    broken.cab   a file named like a cabinet that is none
    plain.bin    a file that is no archive at all

The fixture web server serves DIR/files/NAME at /files/NAME.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import zipfile


def make_cabinet(target, files):
    with tempfile.TemporaryDirectory() as source:
        for name, text in files.items():
            path = os.path.join(source, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as out:
                out.write(text)
        subprocess.run(["gcab", "-c", "-z", target] + list(files), cwd=source, check=True)


def main():
    folder = os.path.join(sys.argv[1], "files")
    os.makedirs(folder, exist_ok=True)
    client = {"bin/updater.exe": "updater stand-in\n", "bin/client.txt": "client files\n"}
    make_cabinet(os.path.join(folder, "client.cab"), client)
    shutil.copyfile(os.path.join(folder, "client.cab"), os.path.join(folder, "CLIENT2.CAB"))
    make_cabinet(os.path.join(folder, "docs.cab"), {"docs/readme.txt": "documentation\n"})
    with zipfile.ZipFile(os.path.join(folder, "extras.zip"), "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("extras/extra.txt", "extra files\n")
    with open(os.path.join(folder, "broken.cab"), "w") as out:
        out.write("this is not a cabinet\n")
    with open(os.path.join(folder, "plain.bin"), "wb") as out:
        out.write(bytes(range(256)) * 8)


if __name__ == "__main__":
    main()
