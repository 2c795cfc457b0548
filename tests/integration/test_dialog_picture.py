"""tools/dialog_picture.py takes the README's picture from the current build: the browser
window with the progress dialog, its bar part-way."""

import struct
import subprocess
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

from standin import BUILD, SOURCE, main


def png_rows(data):
    """The rows of an 8-bit RGB PNG without filters, as the script writes it: [bytes]."""
    width, height = struct.unpack(">II", data[16:24])
    chunks, position = [], 8
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        if kind == b"IDAT":
            chunks.append(data[position + 8:position + 8 + length])
        position += 12 + length
    raw = zlib.decompress(b"".join(chunks))
    stride = 1 + 3 * width
    return width, [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]


class DialogPictureTest(unittest.TestCase):
    def test_the_picture_shows_a_bar_part_way(self):
        with tempfile.TemporaryDirectory() as folder:
            picture = Path(folder) / "dialog.png"
            done = subprocess.run([sys.executable, str(SOURCE / "tools" / "dialog_picture.py"), str(BUILD),
                                   str(picture)], capture_output=True, text=True, timeout=240)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            width, rows = png_rows(picture.read_bytes())
        # A row of the bar: partly its blue fill, partly still white.
        def part_filled(row):
            pixels = [row[i:i + 3] for i in range(0, len(row), 3)]
            blue = sum(1 for r, g, b in pixels if b > 200 and r < 120)
            white = sum(1 for r, g, b in pixels if min(r, g, b) > 240)
            return blue > width // 5 and white > width // 5
        self.assertTrue(any(part_filled(row) for row in rows))


if __name__ == "__main__":
    main()
