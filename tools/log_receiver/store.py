"""The store of uploads: one row of fields per upload and its body beside it, in SQLite
(one file, the default) or PostgreSQL, with the same schema. Every value goes into a
query as a parameter. The figures' index holds every column the dashboard groups by, so
that its queries read the index alone, not the wide rows. Each thread gets its own connection; writes go through one thread
(see batch_writer.py), reads through any."""

import threading

COLUMNS = ("received_at", "path", "query", "protocol", "remote_addr", "content_type", "body_bytes", "line_count",
           "complete", "platform", "os_version", "service_pack", "system", "client_dir", "client_found",
           "plugin_version", "language_id", "locale_id", "locale_name", "language_name", "country_name",
           "user_agent", "browser", "accept_language", "outcome", "step", "detail", "cause")
SCHEMA_VERSION = 1
SCHEMA = """
CREATE TABLE IF NOT EXISTS uploads (
  id {id_column},
  received_at BIGINT NOT NULL,
  path TEXT NOT NULL,
  query TEXT NOT NULL,
  protocol TEXT NOT NULL,
  remote_addr TEXT NOT NULL,
  content_type TEXT NOT NULL,
  body_bytes INTEGER NOT NULL,
  line_count INTEGER NOT NULL,
  complete SMALLINT NOT NULL,
  platform TEXT, os_version TEXT, service_pack TEXT, system TEXT,
  client_dir TEXT, client_found SMALLINT, plugin_version TEXT,
  language_id TEXT, locale_id TEXT, locale_name TEXT, language_name TEXT, country_name TEXT,
  user_agent TEXT, browser TEXT, accept_language TEXT,
  outcome TEXT NOT NULL, step TEXT NOT NULL, detail TEXT NOT NULL, cause TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS uploads_figures
  ON uploads (received_at, outcome, step, system, browser, plugin_version, cause);
CREATE TABLE IF NOT EXISTS upload_bodies (
  upload_id BIGINT PRIMARY KEY REFERENCES uploads (id),
  body {blob_column} NOT NULL
);
CREATE TABLE IF NOT EXISTS receiver_schema (version INTEGER NOT NULL);
"""
INSERT_UPLOAD = "INSERT INTO uploads (%s) VALUES (%s) RETURNING id" % (", ".join(COLUMNS),
                                                                       ", ".join("?" * len(COLUMNS)))
INSERT_BODY = "INSERT INTO upload_bodies (upload_id, body) VALUES (?, ?)"
# Old uploads go in pieces, so that a long backlog never holds the writer for long.
PRUNE_PIECE = 1000
OLD_IDS = "SELECT id FROM uploads WHERE received_at < ? ORDER BY id LIMIT %d" % PRUNE_PIECE


class StoreError(Exception):
    """A store URL that names no store, or a store that cannot be used."""


class Store:
    """What both stores share; a subclass says how to connect and how its SQL differs."""

    ID_COLUMN = BLOB_COLUMN = None

    def __init__(self):
        self.local = threading.local()

    def connection(self):
        if getattr(self.local, "connection", None) is None:
            self.local.connection = self.connect()
        return self.local.connection

    def forget_connection(self):
        """Drops this thread's connection after an error; the next use makes a new one."""
        connection = getattr(self.local, "connection", None)
        self.local.connection = None
        if connection is not None:
            try:
                connection.close()
            except Exception:  # noqa: BLE001 - the connection is broken already
                pass

    def sql(self, text):
        return text

    def create_schema(self):
        with self.transaction() as cursor:
            for statement in SCHEMA.format(id_column=self.ID_COLUMN, blob_column=self.BLOB_COLUMN).split(";"):
                if statement.strip():
                    cursor.execute(statement)
            cursor.execute("SELECT version FROM receiver_schema")
            found = cursor.fetchall()
            if not found:
                cursor.execute(self.sql("INSERT INTO receiver_schema (version) VALUES (?)"), (SCHEMA_VERSION,))
            elif found[0][0] != SCHEMA_VERSION:
                raise StoreError("the store has schema version %s; this receiver reads version %d"
                                 % (found[0][0], SCHEMA_VERSION))

    def rows(self, text, parameters=()):
        """The rows a read query gives."""
        try:
            cursor = self.connection().cursor()
            try:
                cursor.execute(self.sql(text), parameters)
                return cursor.fetchall()
            finally:
                cursor.close()
                self.end_read()
        except Exception:
            self.forget_connection()
            raise

    def end_read(self):
        """Ends the read's transaction where the store keeps one open."""

    def add_many(self, uploads):
        """Stores each upload (a dict of COLUMNS and "body") in one transaction; their ids."""
        ids = []
        with self.transaction() as cursor:
            for upload in uploads:
                cursor.execute(self.sql(INSERT_UPLOAD), tuple(upload[name] for name in COLUMNS))
                ids.append(cursor.fetchone()[0])
                cursor.execute(self.sql(INSERT_BODY), (ids[-1], self.blob(upload["body"])))
        return ids

    def blob(self, data):
        return data

    def prune_piece(self, before):
        """Removes up to PRUNE_PIECE uploads received before that time; how many."""
        with self.transaction() as cursor:
            cursor.execute(self.sql(OLD_IDS), (before,))
            ids = [row[0] for row in cursor.fetchall()]
            if ids:
                marks = ", ".join("?" * len(ids))
                cursor.execute(self.sql("DELETE FROM upload_bodies WHERE upload_id IN (%s)" % marks), ids)
                cursor.execute(self.sql("DELETE FROM uploads WHERE id IN (%s)" % marks), ids)
        return len(ids)

    def prune(self, before):
        """Removes every upload received before that time (seconds); how many."""
        removed = 0
        while True:
            piece = self.prune_piece(before)
            removed += piece
            if piece < PRUNE_PIECE:
                return removed

    def upload(self, upload_id):
        """The upload's fields (a dict, with "id") and body, or None."""
        found = self.rows("SELECT id, %s FROM uploads WHERE id = ?" % ", ".join(COLUMNS), (upload_id,))
        if not found:
            return None
        upload = dict(zip(("id",) + COLUMNS, found[0]))
        body = self.rows("SELECT body FROM upload_bodies WHERE upload_id = ?", (upload_id,))
        upload["body"] = bytes(body[0][0]) if body else b""
        return upload

    def count(self):
        return self.rows("SELECT COUNT(*) FROM uploads")[0][0]

    def uploads_in_order(self, after_id=0, most=500):
        """Stored uploads after an id, oldest first, with their bodies: for copying a store."""
        names = ", ".join("u." + name for name in COLUMNS)
        found = self.rows("SELECT u.id, %s, b.body FROM uploads u JOIN upload_bodies b ON b.upload_id = u.id "
                          "WHERE u.id > ? ORDER BY u.id LIMIT %d" % (names, most), (after_id,))
        uploads = []
        for row in found:
            upload = dict(zip(("id",) + COLUMNS, row[:-1]))
            upload["body"] = bytes(row[-1])
            uploads.append(upload)
        return uploads

    def close(self):
        self.forget_connection()
