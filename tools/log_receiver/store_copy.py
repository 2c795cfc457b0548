"""Copying every upload from one store into another, empty one, in the order received:
how an operator moves from the SQLite file to PostgreSQL. The fields are copied as
stored, the bodies byte for byte; the target gives its own ids."""

from log_receiver.store import StoreError

PIECE = 500


def copy_store(source, target):
    """Copies everything; how many uploads. Refuses a target that holds uploads already,
    which a second run would otherwise double."""
    if target.count():
        raise StoreError("the target store holds uploads already; copy into an empty one")
    copied, last = 0, 0
    while True:
        piece = source.uploads_in_order(last, PIECE)
        if not piece:
            return copied
        target.add_many(piece)
        copied += len(piece)
        last = piece[-1]["id"]
