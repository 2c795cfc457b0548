"""Opening a store by its URL: sqlite:///PATH (a relative path; four slashes for an
absolute one, as in sqlite:////var/lib/receiver/uploads.sqlite) or postgresql://..."""

from log_receiver.store import StoreError

SQLITE = "sqlite:///"
POSTGRES = ("postgresql://", "postgres://")


def open_store(url, create=True):
    """The store the URL names; create=False refuses a store that does not exist yet."""
    if url.startswith(SQLITE) and len(url) > len(SQLITE):
        from log_receiver.sqlite_store import SqliteStore
        return SqliteStore(url[len(SQLITE):], create)
    if url.startswith(POSTGRES):
        from log_receiver.postgres_store import PostgresStore
        return PostgresStore(url, create)
    raise StoreError("a store URL is sqlite:///PATH or postgresql://...; not %r" % url)
