"""A receiver killed (SIGKILL) in the middle of a burst from concurrent senders loses no
upload it answered 200 for, on either store; the store it leaves is whole, and a receiver
started again on it takes uploads at once."""

import re
import tempfile
import threading
import unittest

import receiver_path  # noqa: F401
from postgres_server import PostgresServer
from receiver_process import Receiver, sqlite_url
from sample_bodies import RunLogs, body

from log_receiver.store_url import open_store

SENDERS = 8
# Answers to wait for before the kill: enough that the kill falls inside the burst.
ANSWERED_BEFORE_KILL = 300
MARKER = re.compile(rb"burst upload \d+-\d+")


class Burst:
    """Senders that post numbered uploads until the receiver stops answering."""

    def __init__(self, receiver):
        self.receiver = receiver
        self.answered, self.lock = set(), threading.Lock()
        self.enough = threading.Event()
        self.log = RunLogs().failed_download()

    def send(self, sender):
        number = 0
        while True:
            marker = "burst upload %d-%d" % (sender, number)
            try:
                status, _ = self.receiver.post(body([marker] + self.log))
            except OSError:
                return
            if status == 200:
                with self.lock:
                    self.answered.add(marker)
                    if len(self.answered) >= ANSWERED_BEFORE_KILL:
                        self.enough.set()
            number += 1

    def run_until_killed(self):
        senders = [threading.Thread(target=self.send, args=(n,)) for n in range(SENDERS)]
        for sender in senders:
            sender.start()
        self.enough.wait(120)
        self.receiver.kill()
        for sender in senders:
            sender.join(60)
        return self.answered


class KilledReceiverTest(unittest.TestCase):
    def check_kill_mid_burst(self, url):
        with Receiver(url) as receiver:
            answered = Burst(receiver).run_until_killed()
        self.assertGreaterEqual(len(answered), ANSWERED_BEFORE_KILL)
        store = open_store(url, create=False)
        stored = {MARKER.search(upload["body"]).group().decode() for upload in store.uploads_in_order(0, 100000)
                  if MARKER.search(upload["body"])}
        self.assertEqual(answered - stored, set())
        if url.startswith("sqlite"):
            self.assertEqual(store.rows("PRAGMA integrity_check"), [("ok",)])
        store.close()
        with Receiver(url) as receiver:
            self.assertEqual(receiver.post(body(["after the kill"]))[0], 200)

    def test_sqlite(self):
        with tempfile.TemporaryDirectory(prefix="receiver-") as folder:
            self.check_kill_mid_burst(sqlite_url(folder))

    def test_postgresql(self):
        with PostgresServer() as postgres:
            self.check_kill_mid_burst(postgres.new_database("killed"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
