#!/usr/bin/python3
"""The receiver's benchmark (not a test): a burst of uploads from concurrent senders into
the SQLite store, against the same burst into a bare waitress application that reads each
body and answers 200 without reading or storing it (the HTTP layer's own cost), in
alternating rounds; every stored upload counted and compared with what was sent. Then the
dashboard's overview with 100,000 uploads stored over 90 days, for its default window (7
days) and for everything, alternating. Medians; the fastest in brackets.

    bench/receiver/run_bench.py [ROUNDS] [UPLOADS] [SENDERS]   (default 3 10000 32)

Runs on Debian's own python3 (Flask, waitress). The senders are threads in processes of
their own, each upload a new connection, HTTP/1.0, as the plug-in sends it."""

import multiprocessing
import re
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

TESTS = Path(__file__).resolve().parents[2] / "tools" / "log_receiver" / "tests"
sys.path.insert(0, str(TESTS))
import receiver_path  # noqa: E402,F401
from receiver_process import TOKEN, Receiver, sqlite_url  # noqa: E402
from sample_bodies import RunLogs, body  # noqa: E402
from stored_samples import stored_uploads  # noqa: E402

from log_receiver.store_url import open_store  # noqa: E402

SENDER_PROCESSES = 4
PAGE_UPLOADS = 100000
PAGE_SPAN_SECONDS = 90 * 86400
PAGE_ROUNDS = 7
MARKER = re.compile(rb"bench upload \d+")
BARE_APP = """
import logging, sys, waitress
logging.getLogger("waitress.queue").setLevel(logging.ERROR)
def app(environ, start_response):
    environ["wsgi.input"].read(int(environ.get("CONTENT_LENGTH") or 0))
    start_response("200 OK", [("Content-Type", "text/plain"), ("Content-Length", "7")])
    return [b"stored\\n"]
server = waitress.create_server(app, host="127.0.0.1", port=0, threads=16, max_request_body_size=(1 << 20) + 1)
print("bare: serving on http://127.0.0.1:%s/" % server.effective_port, flush=True)
server.run()
"""


def post(port, payload):
    head = ("POST /conference/installlog HTTP/1.0\r\nAccept-Language: en-us\r\nConnection: Keep-Alive\r\n"
            "Content-Type: text/html; charset=utf-8\r\nContent-Length: %d\r\nHost: 127.0.0.1\r\n\r\n" % len(payload))
    with socket.create_connection(("127.0.0.1", port), timeout=60) as connection:
        connection.sendall(head.encode() + payload)
        answer = b""
        while b"\r\n\r\n" not in answer:
            piece = connection.recv(4096)
            if not piece:
                break
            answer += piece
    return answer.startswith(b"HTTP/1.1 200") or answer.startswith(b"HTTP/1.0 200")


def send_share(port, numbers, threads):
    """One sender process: its numbers' uploads over that many threads; the numbers answered 200."""
    template = body(["bench upload %d"] + RunLogs().failed_download())
    answered, lock, position = [], threading.Lock(), iter(numbers)

    def sender():
        for number in position:
            if post(port, template.replace(b"%d", b"%d" % number)):
                with lock:
                    answered.append(number)
    workers = [threading.Thread(target=sender) for _ in range(threads)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return answered


def burst(port, uploads, senders):
    """Seconds for the burst, and the numbers answered 200."""
    shares = [range(n, uploads, SENDER_PROCESSES) for n in range(SENDER_PROCESSES)]
    with multiprocessing.Pool(SENDER_PROCESSES) as pool:
        started = time.perf_counter()
        answered = pool.starmap(send_share, [(port, share, senders // SENDER_PROCESSES) for share in shares])
        took = time.perf_counter() - started
    return took, {number for share in answered for number in share}


class BareServer:
    def __enter__(self):
        self.process = subprocess.Popen([sys.executable, "-c", BARE_APP], stdout=subprocess.PIPE, text=True)
        self.port = int(self.process.stdout.readline().rsplit(":", 1)[1].strip("/\n"))
        return self

    def __exit__(self, *_):
        self.process.kill()
        self.process.wait()


def stored_numbers(url):
    store = open_store(url, create=False)
    numbers, last = [], 0
    while True:
        piece = store.uploads_in_order(last, 5000)
        if not piece:
            break
        numbers += [int(MARKER.search(upload["body"]).group().split()[-1]) for upload in piece]
        last = piece[-1]["id"]
    store.close()
    return numbers


def burst_rounds(rounds, uploads, senders):
    rates = {"receiver": [], "bare": []}
    for number in range(rounds):
        with tempfile.TemporaryDirectory(prefix="receiver-bench-") as folder:
            url = sqlite_url(folder)
            with Receiver(url, "--threads", "16") as receiver:
                took, answered = burst(receiver.port, uploads, senders)
            stored = stored_numbers(url)
            lost = len(answered - set(stored))
            print("round %d: receiver %d uploads in %.2f s, %.0f/s; answered 200: %d, stored: %d, distinct %d, "
                  "answered but not stored: %d" % (number + 1, uploads, took, uploads / took, len(answered),
                                                   len(stored), len(set(stored)), lost), flush=True)
            rates["receiver"].append(uploads / took)
        with BareServer() as bare:
            took, answered = burst(bare.port, uploads, senders)
        print("round %d: bare     %d uploads in %.2f s, %.0f/s; answered 200: %d" % (
            number + 1, uploads, took, uploads / took, len(answered)), flush=True)
        rates["bare"].append(uploads / took)
    for name, values in rates.items():
        print("%s: median %.0f uploads/s (best %.0f)" % (name, statistics.median(values), max(values)))
    print("receiver / bare: %.2f" % (statistics.median(rates["receiver"]) / statistics.median(rates["bare"])))


def page_rounds():
    with tempfile.TemporaryDirectory(prefix="receiver-bench-") as folder:
        url = sqlite_url(folder)
        store = open_store(url)
        filled = time.perf_counter()
        uploads = stored_uploads(PAGE_UPLOADS, time.time(), PAGE_SPAN_SECONDS)
        for start in range(0, len(uploads), 5000):
            store.add_many(uploads[start:start + 5000])
        print("stored %d uploads over 90 days in %.1f s" % (store.count(), time.perf_counter() - filled))
        store.close()
        times = {"/dashboard/": [], "/dashboard/?since=all": []}
        sizes = {}
        with Receiver(url) as receiver:
            for _ in range(PAGE_ROUNDS):
                for page in times:
                    started = time.perf_counter()
                    status, _, text = receiver.get(page, token=TOKEN)
                    times[page].append(time.perf_counter() - started)
                    assert status == 200, status
                    sizes[page] = len(text)
        for page, values in times.items():
            print("%s: median %.0f ms (best %.0f), %d bytes" % (page, 1000 * statistics.median(values),
                                                                1000 * min(values), sizes[page]))


def main():
    rounds, uploads, senders = (int(value) for value in (sys.argv[1:] + ["3", "10000", "32"][len(sys.argv) - 1:])[:3])
    print("burst: %d uploads from %d concurrent senders, %d rounds" % (uploads, senders, rounds), flush=True)
    burst_rounds(rounds, uploads, senders)
    page_rounds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
