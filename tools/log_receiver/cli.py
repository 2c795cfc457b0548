"""The command line of tools/log-receiver: serve, summary, prune and copy."""

import argparse
import logging
import sqlite3
import sys
import time

from log_receiver.access_token import TokenError, read_token
from log_receiver.batch_writer import DAY_SECONDS, BatchWriter
from log_receiver.dashboard_access import Access
from log_receiver.dashboard_filters import DEFAULT_WINDOW, WINDOWS, Filters
from log_receiver.store import StoreError
from log_receiver.store_copy import copy_store
from log_receiver.store_url import open_store
from log_receiver.summary_text import summary_lines

DEFAULT_RETENTION_DAYS = 90
STORE_HELP = "sqlite:///PATH (PATH relative; sqlite:////abs/path for an absolute one) or postgresql://USER@HOST/DB"


def positive(text):
    value = int(text)
    if value < 1:
        raise argparse.ArgumentTypeError("must be 1 or more")
    return value


def parser():
    top = argparse.ArgumentParser(prog="log-receiver", description="Receives the plug-in's install-log uploads, "
                                  "stores them and serves a dashboard of them for the operator.")
    commands = top.add_subparsers(dest="command", required=True, metavar="COMMAND")
    serve = commands.add_parser("serve", help="receive uploads and serve the dashboard",
                                description="Stores every POST as an upload (any path) and serves the dashboard "
                                "under /dashboard/, behind the token.")
    serve.add_argument("--store", required=True, metavar="URL", help=STORE_HELP)
    serve.add_argument("--port", type=int, required=True, help="port to listen on (0: any free one, announced)")
    serve.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    token = serve.add_mutually_exclusive_group(required=True)
    token.add_argument("--token", metavar="T", help="the dashboard's token (16 characters at least)")
    token.add_argument("--token-file", metavar="FILE", help="a file holding the token (kept out of the process list)")
    serve.add_argument("--retention-days", type=positive, default=DEFAULT_RETENTION_DAYS, metavar="N",
                       help="remove uploads older than N days (default %d)" % DEFAULT_RETENTION_DAYS)
    serve.add_argument("--threads", type=positive, default=16, help="request threads (default 16)")
    serve.add_argument("--trusted-proxy", metavar="ADDR", help="a reverse proxy's address whose X-Forwarded-For "
                       "and X-Forwarded-Proto are believed (e.g. 127.0.0.1 for nginx on this machine)")
    summary = commands.add_parser("summary", help="print the dashboard's figures as text")
    summary.add_argument("--store", required=True, metavar="URL", help=STORE_HELP)
    summary.add_argument("--since", choices=[value for value, _, _ in WINDOWS], default=DEFAULT_WINDOW,
                         help="hours to look back, or all (default %s)" % DEFAULT_WINDOW)
    for column in ("outcome", "system", "browser"):
        summary.add_argument("--" + column, default="", help="only uploads of this %s" % column)
    prune = commands.add_parser("prune", help="remove uploads older than the retention now")
    prune.add_argument("--store", required=True, metavar="URL", help=STORE_HELP)
    prune.add_argument("--retention-days", type=positive, default=DEFAULT_RETENTION_DAYS, metavar="N")
    copy = commands.add_parser("copy", help="copy every upload into another, empty store (moving to PostgreSQL)")
    copy.add_argument("--from", dest="source", required=True, metavar="URL")
    copy.add_argument("--to", dest="target", required=True, metavar="URL")
    return top


def serve_command(arguments):
    from log_receiver.server import create_app, serve
    access = Access(read_token(arguments.token, arguments.token_file))
    store = open_store(arguments.store)
    writer = BatchWriter(store, arguments.retention_days).start()

    def announce(url):
        print("log-receiver: serving on %s (dashboard at %sdashboard/), store %s, retention %d days"
              % (url, url, store, arguments.retention_days), flush=True)
    try:
        serve(create_app(store, writer, access), arguments.host, arguments.port, arguments.threads,
              arguments.trusted_proxy, announce)
    finally:
        writer.stop()
        store.close()
    return 0


def summary_command(arguments):
    store = open_store(arguments.store, create=False)
    filters = Filters(arguments.since, arguments.outcome, arguments.system, arguments.browser)
    print("\n".join(summary_lines(store, filters, time.time())))
    return 0


def prune_command(arguments):
    store = open_store(arguments.store, create=False)
    removed = store.prune(int(time.time()) - arguments.retention_days * DAY_SECONDS)
    print("log-receiver: removed %d upload(s) older than %d days" % (removed, arguments.retention_days))
    return 0


def copy_command(arguments):
    copied = copy_store(open_store(arguments.source, create=False), open_store(arguments.target))
    print("log-receiver: copied %d upload(s)" % copied)
    return 0


COMMANDS = {"serve": serve_command, "summary": summary_command, "prune": prune_command, "copy": copy_command}


def main(argv=None):
    arguments = parser().parse_args(argv)
    logging.basicConfig(level=logging.INFO, format="%(message)s")
    # waitress says so each time a request waits for a free thread: in a burst, thousands
    # of lines that tell nothing the answer times do not.
    logging.getLogger("waitress.queue").setLevel(logging.ERROR)
    try:
        return COMMANDS[arguments.command](arguments)
    except (StoreError, TokenError, sqlite3.Error) as error:
        print("log-receiver: %s" % error, file=sys.stderr)
        return 1
