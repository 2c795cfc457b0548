"""The embedded store: one SQLite file, made with its folder on first start. WAL lets the
dashboard read while uploads are written; synchronous FULL makes a commit reach the disk
before the upload is answered, so an answered upload outlives a crash of the machine too,
not only of the receiver."""

import contextlib
import sqlite3
from pathlib import Path

from log_receiver.store import Store, StoreError

# A reader waits this long for the writer's lock where WAL still takes one (a checkpoint).
BUSY_MS = 30000


class SqliteStore(Store):
    ID_COLUMN = "INTEGER PRIMARY KEY AUTOINCREMENT"
    BLOB_COLUMN = "BLOB"

    def __init__(self, path, create):
        super().__init__()
        self.path = Path(path)
        if not create and not self.path.exists():
            raise StoreError("there is no store at %s" % self.path)
        if create:
            self.path.parent.mkdir(parents=True, exist_ok=True)
            connection = sqlite3.connect(self.path, isolation_level=None)
            try:
                connection.execute("PRAGMA journal_mode=WAL")
            finally:
                connection.close()
            self.create_schema()

    def connect(self):
        connection = sqlite3.connect(self.path, isolation_level=None, timeout=BUSY_MS / 1000)
        connection.execute("PRAGMA synchronous=FULL")
        connection.execute("PRAGMA foreign_keys=ON")
        return connection

    @contextlib.contextmanager
    def transaction(self):
        connection = self.connection()
        cursor = connection.cursor()
        try:
            cursor.execute("BEGIN IMMEDIATE")
            yield cursor
            cursor.execute("COMMIT")
        except BaseException:
            try:
                connection.rollback()
            finally:
                self.forget_connection()
            raise
        finally:
            cursor.close()

    def __str__(self):
        return "sqlite:///%s" % self.path
