"""The fixture server's link path, /link/RTT_MS/BYTES_PER_S/REL, on the host (python3 only,
no Windows program): a served file arrives whole, no sooner than the round trip and the
link's rate allow; a missing file is still a 404 after the round trip; a malformed link is
refused.

    test_fixture_link.py
"""

import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
from pathlib import Path

SERVER = Path(__file__).resolve().parents[1] / "fixtures" / "fixture_server.py"
RTT_MS = 200
BYTES_PER_S = 1 << 20
# Larger than one piece of the link (64 KiB), and not a multiple of it.
SIZE = 300000


def fetch(url):
    """The answer's status, body, seconds to its status line and to its last byte."""
    start = time.monotonic()
    try:
        answer = urllib.request.urlopen(url)
    except urllib.error.HTTPError as error:
        return error.code, error.read(), time.monotonic() - start, time.monotonic() - start
    with answer:
        headed = time.monotonic() - start
        body = answer.read()
    return answer.status, body, headed, time.monotonic() - start


class LinkTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="fixture-link-"))
        cls.data = bytes((i * 13) % 256 for i in range(SIZE))
        (cls.folder / "files" / "release").mkdir(parents=True)
        (cls.folder / "files" / "release" / "package.cab").write_bytes(cls.data)
        subprocess.run([sys.executable, str(SERVER), "start", str(cls.folder)], check=True)
        port = dict(line.split("=", 1) for line in (cls.folder / "server.env").read_text().splitlines())["http_port"]
        cls.base = "http://127.0.0.1:%s" % port

    @classmethod
    def tearDownClass(cls):
        subprocess.run([sys.executable, str(SERVER), "stop", str(cls.folder)])
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_file_comes_whole_after_the_round_trip_at_the_links_rate(self):
        status, body, headed, whole = fetch("%s/link/%d/%d/release/package.cab" % (self.base, RTT_MS, BYTES_PER_S))
        self.assertEqual((status, body), (200, self.data))
        self.assertGreaterEqual(headed, RTT_MS / 1000)
        self.assertGreaterEqual(whole, RTT_MS / 1000 + SIZE / BYTES_PER_S)

    def test_missing_file_is_not_found_after_the_round_trip(self):
        status, _, headed, _ = fetch("%s/link/%d/%d/release/missing.cab" % (self.base, RTT_MS, BYTES_PER_S))
        self.assertEqual(status, 404)
        self.assertGreaterEqual(headed, RTT_MS / 1000)

    def test_malformed_links_are_refused(self):
        for link in ("/link/x/1000/release/package.cab", "/link/50/0/release/package.cab", "/link/50"):
            with self.subTest(link=link):
                self.assertEqual(fetch(self.base + link)[0], 400)


if __name__ == "__main__":
    unittest.main(verbosity=2)
