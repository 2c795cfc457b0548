"""A real PostgreSQL server for a test, made in a temporary folder with Debian's initdb
and pg_ctl and reached only through a socket in that folder (no port to collide with a
test running beside it). PostgreSQL refuses to run as root: run as root, the tests run it
as the unprivileged "nobody", which then owns the folder."""

import glob
import os
import pwd
import shutil
import subprocess
import tempfile
from pathlib import Path

UNPRIVILEGED = "nobody"
DATABASE_USER = "receiver"


def server_program(name):
    found = sorted(glob.glob("/usr/lib/postgresql/*/bin/" + name), key=lambda p: int(p.split("/")[4]))
    if not found:
        raise AssertionError("PostgreSQL's %s is missing: tools/install-deps installs postgresql" % name)
    return found[-1]


class PostgresServer:
    def __enter__(self):
        self.folder = Path(tempfile.mkdtemp(prefix="receiver-pg-"))
        self.as_user = []
        if os.geteuid() == 0:
            account = pwd.getpwnam(UNPRIVILEGED)
            os.chown(self.folder, account.pw_uid, account.pw_gid)
            self.as_user = ["runuser", "-u", UNPRIVILEGED, "--"]
        self.data = self.folder / "data"
        self.run(server_program("initdb"), "--no-sync", "-A", "trust", "-U", DATABASE_USER, "-D", self.data)
        # A test store needs no durability: fsync off spares the disk.
        options = "-c listen_addresses='' -c unix_socket_directories=%s -c fsync=off" % self.folder
        self.run(server_program("pg_ctl"), "-D", self.data, "-l", self.folder / "server.log", "-o", options, "-w",
                 "start")
        return self

    def __exit__(self, *_):
        try:
            self.run(server_program("pg_ctl"), "-D", self.data, "-m", "immediate", "-w", "stop")
        finally:
            shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, *command):
        done = subprocess.run(self.as_user + [str(part) for part in command], capture_output=True, text=True,
                              timeout=120, cwd=self.folder)
        if done.returncode != 0:
            raise AssertionError("%s failed: %s%s" % (command[0], done.stdout, done.stderr))

    def url(self, database="postgres"):
        return "postgresql://%s@/%s?host=%s" % (DATABASE_USER, database, self.folder)

    def new_database(self, name):
        """A database of its own, for one store; its URL."""
        import psycopg2
        connection = psycopg2.connect(self.url())
        connection.autocommit = True
        with connection.cursor() as cursor:
            cursor.execute("CREATE DATABASE %s" % name)
        connection.close()
        return self.url(name)
