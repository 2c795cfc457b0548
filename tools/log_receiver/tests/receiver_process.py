"""A real receiver for a test: tools/log-receiver serve in a process of its own, on a
port it chose and announced, with requests made to it over the loopback."""

import http.client
import os
import select
import signal
import socket
import subprocess
import sys
import tempfile
from receiver_path import TOOLS

TOOL = TOOLS / "log-receiver"
TOKEN = "test-token-5b2e91c7-3f08"
START_SECONDS = 60


def run_tool(*arguments):
    """tools/log-receiver with those arguments, to its end: (exit status, output)."""
    done = subprocess.run([sys.executable, str(TOOL), *map(str, arguments)], capture_output=True, text=True,
                          timeout=120)
    return done.returncode, done.stdout + done.stderr


class Receiver:
    def __init__(self, store_url, *options, token=TOKEN):
        self.store_url, self.options, self.token = store_url, options, token
        self.errors = tempfile.TemporaryFile()

    def __enter__(self):
        self.process = subprocess.Popen(
            [sys.executable, str(TOOL), "serve", "--store", self.store_url, "--port", "0", "--token", self.token,
             *self.options], stdout=subprocess.PIPE, stderr=self.errors, text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], START_SECONDS)
        line = self.process.stdout.readline() if ready else ""
        if "serving on http://" not in line:
            self.kill()
            raise AssertionError("the receiver did not start: %r %s" % (line, self.error_output()))
        self.port = int(line.split("serving on http://", 1)[1].split("/", 1)[0].rsplit(":", 1)[1])
        return self

    def __exit__(self, *_):
        if self.process.poll() is None:
            self.stop()
        self.process.stdout.close()
        self.errors.close()

    def error_output(self):
        self.errors.seek(0)
        return self.errors.read().decode("utf-8", "replace")

    def stop(self):
        """Ends it as an operator's service manager does (SIGTERM); its exit status."""
        self.process.send_signal(signal.SIGTERM)
        return self.process.wait(30)

    def kill(self):
        self.process.kill()
        self.process.wait(30)

    def raw(self, request):
        """Sends request bytes as they are; the answer's status, head (text) and body."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=30) as connection:
            connection.sendall(request)
            answer = b""
            while True:
                piece = connection.recv(65536)
                if not piece:
                    break
                answer += piece
                head, _, rest = answer.partition(b"\r\n\r\n")
                length = [int(line.split(b":")[1]) for line in head.split(b"\r\n")
                          if line.lower().startswith(b"content-length:")]
                if length and len(rest) >= length[0]:
                    break
        head, _, rest = answer.partition(b"\r\n\r\n")
        if not head.startswith(b"HTTP/"):
            raise ConnectionError("the receiver closed the connection without an answer")
        return int(head.split(b" ")[1]), head.decode("latin-1"), rest

    def post(self, body, path="/conference/installlog", content_type="text/html; charset=utf-8"):
        """A POST as the plug-in makes it: HTTP/1.0, its headers in its order."""
        head = ("POST %s HTTP/1.0\r\nAccept-Language: en-us\r\nConnection: Keep-Alive\r\nContent-Type: %s\r\n"
                "Content-Length: %d\r\nUser-Agent: Mozilla/5.0\r\nHost: 127.0.0.1:%d\r\n\r\n"
                % (path, content_type, len(body), self.port))
        status, _, answer = self.raw(head.encode("latin-1") + body)
        return status, answer

    def get(self, path, token=None, headers=None):
        """(status, headers, body) of a GET; with the receiver's token unless told otherwise."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        sent = dict(headers or {})
        if token is not False:
            sent["Authorization"] = "Bearer " + (token or self.token)
        connection.request("GET", path, headers=sent)
        answer = connection.getresponse()
        result = answer.status, dict(answer.getheaders()), answer.read()
        connection.close()
        return result

    def alive(self):
        return self.process.poll() is None and self.get("/dashboard/sign-in", token=False)[0] == 200


def sqlite_url(folder):
    return "sqlite:///" + os.path.join(str(folder), "uploads.sqlite")
