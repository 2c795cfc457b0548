"""Taking an upload: the plug-in's POST as it sends it (HTTP/1.0, any path the page's
InstallLogURL names, a text body in UTF-8 or the system's code page). The body is read
to at most 1 MiB, read into fields, handed to the writer, and answered 200 only once it
is committed; a body past the bound is refused with 413, an empty one with 400."""

import time

from flask import Response, request

from log_receiver.upload_reading import read_upload

MOST_BODY_BYTES = 1 << 20
MOST_PATH_CHARACTERS = 2048
MOST_HEADER_CHARACTERS = 256


def answer(status, text):
    return Response(text + "\n", status=status, mimetype="text/plain")


def request_body():
    """The body, or None when it is longer than the bound."""
    if request.content_length is not None and request.content_length > MOST_BODY_BYTES:
        return None
    body = request.stream.read(MOST_BODY_BYTES + 1)
    return None if len(body) > MOST_BODY_BYTES else body


def stored_form(body):
    """The upload as the store keeps it: the request's facts, the fields read from the
    body, and the body itself."""
    content_type = request.headers.get("Content-Type", "")[:MOST_HEADER_CHARACTERS]
    upload = read_upload(body, content_type)
    upload.update(
        received_at=int(time.time()),
        path=request.path[:MOST_PATH_CHARACTERS],
        query=request.query_string.decode("latin-1")[:MOST_PATH_CHARACTERS],
        protocol=request.environ.get("SERVER_PROTOCOL", "")[:16],
        remote_addr=(request.remote_addr or "")[:64],
        content_type=content_type,
        body_bytes=len(body),
        body=body,
    )
    return upload


def receive_upload(writer):
    body = request_body()
    if body is None:
        return answer(413, "the upload is larger than %d bytes" % MOST_BODY_BYTES)
    if not body:
        return answer(400, "the upload is empty")
    if not writer.store_upload(stored_form(body)):
        return answer(503, "the upload could not be stored")
    return answer(200, "stored")
