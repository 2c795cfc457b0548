"""The one thread that writes to the store. Request threads hand it uploads and wait;
it stores whatever has come meanwhile in one transaction and answers every waiter once
that transaction is committed. One commit, whose wait for the disk is the costly part,
thus serves a burst of uploads, and SQLite never sees two writers. Between bursts it
removes uploads past their retention."""

import logging
import queue
import threading
import time

MOST_PER_TRANSACTION = 256
# How long a request waits for its upload to be stored before it gives up (503).
STORE_WAIT_SECONDS = 30
PRUNE_EVERY_SECONDS = 3600
DAY_SECONDS = 86400

log = logging.getLogger("log-receiver")


class Pending:
    """One upload on its way to the store, and the answer its request waits for."""

    def __init__(self, upload):
        self.upload = upload
        self.done = threading.Event()
        self.stored = False


class BatchWriter:
    def __init__(self, store, retention_days):
        self.store = store
        self.retention_days = retention_days
        self.waiting = queue.Queue()
        self.next_prune = 0.0
        self.thread = threading.Thread(target=self.run, name="store-writer", daemon=True)

    def start(self):
        self.thread.start()
        return self

    def store_upload(self, upload):
        """True once the upload is committed; False when the store failed or took too long."""
        pending = Pending(upload)
        self.waiting.put(pending)
        return pending.done.wait(STORE_WAIT_SECONDS) and pending.stored

    def stop(self):
        """Stores what was handed over so far, then ends the thread."""
        self.waiting.put(None)
        self.thread.join()

    def take_batch(self):
        """The next uploads to store, waiting for the first until the next prune is due."""
        try:
            first = self.waiting.get(timeout=max(0.0, self.next_prune - time.time()))
        except queue.Empty:
            return []
        batch = [first]
        while len(batch) < MOST_PER_TRANSACTION:
            try:
                batch.append(self.waiting.get_nowait())
            except queue.Empty:
                break
        return batch

    def commit(self, pendings):
        try:
            self.store.add_many([pending.upload for pending in pendings])
            return True
        except Exception:  # noqa: BLE001 - a store failure fails these uploads, not the receiver
            log.exception("log-receiver: %d upload(s) could not be stored", len(pendings))
            return False

    def write(self, batch):
        uploads = [pending for pending in batch if pending is not None]
        if not uploads:
            return
        if self.commit(uploads):
            answered = [(pending, True) for pending in uploads]
        else:
            # An upload the store refuses must not fail those that came with it: each is
            # tried again alone.
            answered = [(pending, len(uploads) > 1 and self.commit([pending])) for pending in uploads]
        for pending, stored in answered:
            pending.stored = stored
            pending.done.set()

    def prune_if_due(self):
        if time.time() < self.next_prune:
            return
        self.next_prune = time.time() + PRUNE_EVERY_SECONDS
        try:
            removed = self.store.prune(int(time.time()) - self.retention_days * DAY_SECONDS)
        except Exception:  # noqa: BLE001 - tried again at the next prune
            log.exception("log-receiver: old uploads could not be removed")
            return
        if removed:
            log.info("log-receiver: removed %d upload(s) older than %d days", removed, self.retention_days)

    def run(self):
        while True:
            self.prune_if_due()
            batch = self.take_batch()
            self.write(batch)
            if None in batch:
                self.store.close()
                return
