"""The demo's install-log receiver: tools/log-receiver serving a store of its own in
BUILD/demo/receiver, which the demo's pages send their logs to. The demo reads the
uploads back from that store, prints the receiver's summary at its end, and says how to
open the dashboard over it."""

import os
import secrets
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from log_receiver.store_url import open_store  # noqa: E402

TOOL = Path(__file__).resolve().parent / "log-receiver"
DASHBOARD_PORT = 8035


class DemoReceiver:
    def __init__(self, folder):
        self.folder = Path(folder).resolve()
        self.store_url = "sqlite:///" + str(self.folder / "uploads.sqlite")
        self.token_file = self.folder / "token"
        self.process = None

    def start(self):
        """A new store and token, and the receiver serving them on a free port."""
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)
        descriptor = os.open(self.token_file, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(descriptor, "w") as token:
            token.write(secrets.token_urlsafe(24) + "\n")
        self.errors = open(self.folder / "receiver.log", "wb")
        self.process = subprocess.Popen(
            [str(TOOL), "serve", "--store", self.store_url, "--port", "0", "--token-file", str(self.token_file)],
            stdout=subprocess.PIPE, stderr=self.errors, text=True)
        announced = self.process.stdout.readline()
        if "serving on http://" not in announced:
            raise RuntimeError("the receiver did not start; see %s" % (self.folder / "receiver.log"))
        self.base_url = announced.split("serving on ", 1)[1].split(" ", 1)[0]
        return self

    def stop(self):
        """Ends the receiver, if it started; what it took is stored by then."""
        if self.process is None:
            return
        self.process.terminate()
        self.process.wait()
        self.process.stdout.close()
        self.errors.close()

    def url(self, path):
        return self.base_url + path

    def uploads(self, path):
        """The uploads stored for that path, in order: (request line, body)."""
        store = open_store(self.store_url, create=False)
        try:
            return [("%s /%s%s %s" % ("POST", path, "?" + upload["query"] if upload["query"] else "",
                                      upload["protocol"]), upload["body"])
                    for upload in store.uploads_in_order(0, 1000) if upload["path"] == "/" + path]
        finally:
            store.close()

    def summary_lines(self):
        done = subprocess.run([str(TOOL), "summary", "--store", self.store_url, "--since", "all"],
                              capture_output=True, text=True)
        return (done.stdout + done.stderr).splitlines()

    def dashboard_lines(self):
        return ["the dashboard over these uploads: tools/log-receiver serve --store %s --port %d --token-file %s"
                % (self.store_url, DASHBOARD_PORT, self.token_file),
                "   then open http://127.0.0.1:%d/dashboard/ and sign in with the token in %s"
                % (DASHBOARD_PORT, self.token_file)]
