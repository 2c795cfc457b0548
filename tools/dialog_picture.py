#!/usr/bin/env python3
"""Takes the README's picture of the progress dialog from the current build: the real
plug-in in the browser stand-in on a join page whose package comes slowly from the tests'
web server, pictured when the bar has come part-way, with the page's DownloadPrompt.
The prefix's registration of an installed client is removed first (an installed client
fetches no package and shows no bar).

    python3 tools/dialog_picture.py BUILD_DIR OUTPUT_PNG
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib
from html import escape
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tools" / "sample_client"))
import sample_release  # noqa: E402

CLIENT_KEY = "Software\\Ostrel Software, Inc.\\Ostrel Client"
PROMPT = "Downloading the conferencing client\u2026"
CAPTURE_AT_PERCENT = 50  # the bar half full: plainly part-way in the picture
PAUSE_MS = 150  # per 16 KiB of the cabinet: the bar takes seconds to fill
# The emulated machine runs the plug-in several times slower: the page stays open longer there.
RUN_MS = 4000 * (4 if os.environ.get("OSTREL_IN_GUEST") else 1)


def bmp_to_png(bmp):
    """A 24-bit bottom-up BMP as PNG bytes."""
    offset, = struct.unpack_from("<I", bmp, 10)
    width, height = struct.unpack_from("<ii", bmp, 18)
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bmp[offset + y * row_bytes: offset + y * row_bytes + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def main():
    build, output = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    server_script = ROOT / "tests" / "fixtures" / "fixture_server.py"
    for root in ("HKCU", "HKLM"):
        subprocess.run([str(build / "wine-run"), "reg", "delete", root + "\\" + CLIENT_KEY, "/f"],
                       stdin=subprocess.DEVNULL, capture_output=True)
    with tempfile.TemporaryDirectory(prefix="dialog-picture-") as work:
        work = Path(work)
        subprocess.run([sys.executable, str(server_script), "start", str(work / "server")], check=True)
        try:
            env = dict(line.split("=", 1) for line in (work / "server" / "server.env").read_text().splitlines())
            base_url = "http://127.0.0.1:%s/files/release" % env["http_port"]
            parameters = sample_release.make_release(work / "server" / "files" / "release", base_url, build / "bin")
            paced = base_url.replace("/files/", "/paced/%d/" % PAUSE_MS)
            parameters = [(name, value.replace(base_url, paced) if name == "File0" else value)
                          for name, value in parameters]
            # The page is UTF-8, and says so: the prompt's ellipsis reaches the dialog whole.
            attributes = [("DocumentEncoding", "UTF-8"), ("RedirectURL", base_url + "/" + sample_release.CONFIGURATION), *parameters,
                          ("ProgramTitle", "Ostrel Conferencing"), ("DownloadPrompt", PROMPT)]
            page = work / "join.html"
            page.write_text('<html><body><embed type="application/x-ostrel-updater-plugin" width="360" height="64" %s>'
                            "</body></html>" % " ".join('%s="%s"' % (n, escape(v)) for n, v in attributes),
                            encoding="utf-8")
            picture = work / "dialog.bmp"
            run = subprocess.run([str(build / "wine-run"), str(build / "bin" / "browser_standin.exe"),
                                  "--run-ms", str(RUN_MS), "--capture-at", str(CAPTURE_AT_PERCENT), "--capture-file",
                                  windows_path(picture), windows_path(page)],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 text=True, errors="replace", timeout=120)
            if "--verbose" in sys.argv:
                print(run.stdout)
            if not picture.exists():
                print("dialog_picture: no picture was taken; the stand-in said:\n" + run.stdout, file=sys.stderr)
                return 1
            output.parent.mkdir(parents=True, exist_ok=True)
            output.write_bytes(bmp_to_png(picture.read_bytes()))
        finally:
            subprocess.run([sys.executable, str(server_script), "stop", str(work / "server")])
    print("dialog_picture: %s" % output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
