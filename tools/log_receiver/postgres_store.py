"""The store for operators who outgrow one machine: a PostgreSQL database named by a
postgresql:// URL, with the same tables as the SQLite file, made on first start."""

import contextlib
import urllib.parse

from log_receiver.store import Store, StoreError

try:
    import psycopg2
except ImportError:  # the SQLite store needs none of it
    psycopg2 = None


class PostgresStore(Store):
    ID_COLUMN = "BIGSERIAL PRIMARY KEY"
    BLOB_COLUMN = "BYTEA"

    def __init__(self, url, create):
        super().__init__()
        if psycopg2 is None:
            raise StoreError("PostgreSQL needs psycopg2 (Debian's python3-psycopg2)")
        self.url = url
        try:
            self.connection()
        except psycopg2.Error as error:
            raise StoreError("the PostgreSQL store cannot be reached: %s" % str(error).strip()) from None
        if create:
            self.create_schema()
        elif not self.rows("SELECT to_regclass('uploads') IS NOT NULL")[0][0]:
            raise StoreError("the PostgreSQL database holds no store")

    def connect(self):
        return psycopg2.connect(self.url)

    def sql(self, text):
        # psycopg2 takes %s where SQLite takes ?; the receiver's SQL has no other % or ?.
        return text.replace("?", "%s")

    def blob(self, data):
        return psycopg2.Binary(data)

    def end_read(self):
        self.connection().rollback()

    @contextlib.contextmanager
    def transaction(self):
        connection = self.connection()
        cursor = connection.cursor()
        try:
            yield cursor
            connection.commit()
        except BaseException:
            try:
                connection.rollback()
            except psycopg2.Error:
                pass
            self.forget_connection()
            raise
        finally:
            cursor.close()

    def __str__(self):
        # The URL may carry a password: it is shown without.
        parts = urllib.parse.urlsplit(self.url)
        query = urllib.parse.urlencode([(name, value) for name, value in urllib.parse.parse_qsl(parts.query)
                                        if name != "password"])
        return "postgresql://%s%s%s" % (parts.netloc.rpartition("@")[2], parts.path, "?" + query if query else "")
