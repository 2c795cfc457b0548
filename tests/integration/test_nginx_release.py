"""A tools/make-release folder served as it is by nginx, a web server operators deploy:
the real plug-in in the stand-in fetches the configuration file, the package list and
the archive from it and installs the newer file. When the archive's answer is cut on
the way, the plug-in asks nginx for the rest with Range and If-Range carrying nginx's
ETag, and nginx answers 206; when the archive was replaced since the cut, nginx answers
200 with the whole new file, and the new file is what gets unpacked."""

import os
import pwd
import grp
import shutil
import socket
import subprocess
import tempfile
import threading
import time
from pathlib import Path

from run_scene import SceneTestCase, forget_work_directories, windows_path, work_files
from standin import main, scaled
from test_make_release import make_release, parameters_of, with_version
from sample_release import make_cabinet

# Where Debian's nginx-light puts the binary; a normal user's PATH may lack /usr/sbin.
NGINX_PLACES = os.pathsep.join([os.environ.get("PATH", ""), "/usr/sbin", "/sbin"])
# What nginx saw of each request, one line each: the request line, the status, the
# Range and If-Range headers (empty when absent), and the body's bytes sent.
LOG_FORMAT = "'$request|$status|$http_range|$http_if_range|$body_bytes_sent'"
OLD, NEW = (2, 0, 0, 1), (2, 0, 0, 5)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def nginx_configuration(folder, root, port):
    """A configuration that keeps every file nginx writes inside folder."""
    paths = {name: folder / name for name in ("body", "proxy", "fastcgi", "uwsgi", "scgi")}
    for path in paths.values():
        path.mkdir()
    # Started as root, nginx's workers would otherwise drop to "nobody", who cannot read
    # the test's private temporary folders.
    user = ("user %s %s;" % (pwd.getpwuid(0).pw_name, grp.getgrgid(0).gr_name)) if os.geteuid() == 0 else ""
    return "\n".join([
        user, "daemon off;", "worker_processes 1;", "pid %s;" % (folder / "nginx.pid"),
        "error_log %s;" % (folder / "error.log"), "events { worker_connections 32; }", "http {",
        "  log_format seen escape=none %s;" % LOG_FORMAT, "  access_log %s seen;" % (folder / "access.log"),
        *("  %s_temp_path %s;" % ("client_body" if name == "body" else name, path) for name, path in paths.items()),
        "  default_type application/octet-stream;",
        # One request a connection: the relay below then cuts one answer, not a series.
        "  keepalive_timeout 0;",
        "  server { listen 127.0.0.1:%d; root %s; }" % (port, root), "}", ""])


class Nginx:
    """nginx in the foreground on a free port, serving root; stopped by its process id."""

    def __init__(self, binary, folder, root):
        self.folder = folder
        self.port = free_port()
        configuration = folder / "nginx.conf"
        configuration.write_text(nginx_configuration(folder, root, self.port))
        self.process = subprocess.Popen([binary, "-p", str(folder), "-e", str(folder / "error.log"),
                                         "-c", str(configuration)], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_until_listening()

    def wait_until_listening(self):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and self.process.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        self.stop()
        raise AssertionError("nginx did not start: " + self.errors())

    def errors(self):
        log = self.folder / "error.log"
        return log.read_text(errors="replace") if log.exists() else "(no error log)"

    def seen(self):
        """(request line, status, Range, If-Range, body bytes sent) for each request, in order."""
        log = self.folder / "access.log"
        return [tuple(line.split("|")) for line in log.read_text().splitlines()] if log.exists() else []

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class CuttingRelay:
    """A TCP relay in front of nginx that ends its first connection after the answer's
    head and `keep` bytes of its body, as a broken link would (calling on_cut just
    before); every later connection passes whole."""

    def __init__(self, upstream_port, keep, on_cut=lambda: None):
        self.upstream_port, self.keep, self.on_cut = upstream_port, keep, on_cut
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connections = 0
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            self.connections += 1
            threading.Thread(target=self.relay, args=(client, self.connections == 1), daemon=True).start()

    def relay(self, client, cut):
        with client, socket.create_connection(("127.0.0.1", self.upstream_port)) as upstream:
            threading.Thread(target=self.pipe, args=(client, upstream), daemon=True).start()
            self.answer(upstream, client, cut)

    @staticmethod
    def pipe(source, target):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    return
                target.sendall(data)
        except OSError:
            return

    def answer(self, upstream, client, cut):
        passed = b""
        try:
            while True:
                data = upstream.recv(65536)
                if not data:
                    return
                if not cut:
                    client.sendall(data)
                    continue
                passed += data
                head = passed.find(b"\r\n\r\n")
                if head >= 0 and len(passed) >= head + 4 + self.keep:
                    client.sendall(passed[:head + 4 + self.keep])
                    self.on_cut()
                    client.shutdown(socket.SHUT_RDWR)
                    return
        except OSError:
            return

    def close(self):
        self.listener.close()


class NginxReleaseTest(SceneTestCase):
    def setUp(self):
        super().setUp()
        binary = shutil.which("nginx", path=NGINX_PLACES)
        if not binary:
            self.fail("no nginx binary found: tools/install-deps installs Debian's nginx-light")
        self.root = self.scene.folder / "www"
        self.release_folder = self.root / "release"
        self.release_folder.mkdir(parents=True)
        self.nginx = Nginx(binary, Path(tempfile.mkdtemp(prefix="nginx-", dir=self.scene.folder)), self.root)
        # Also a cleanup, for a setUp that fails after this.
        self.addCleanup(self.nginx.stop)
        self.base_url = "http://127.0.0.1:%d/release" % self.nginx.port
        self.installed = Path(tempfile.mkdtemp(prefix="installed-", dir=self.scene.folder))
        (self.installed / "core.dll").write_bytes(with_version("core.dll", OLD))

    def tearDown(self):
        # Stopped before the scene's folder, nginx's own, goes.
        self.nginx.stop()
        super().tearDown()

    def cabinet(self, version, extra=None):
        """The release's one archive, core.cab, bringing core.dll at version; its bytes."""
        members = {"bin/core.dll": with_version("core.dll", version)}
        if extra:
            members["bin/notes.txt"] = extra
        make_cabinet(self.release_folder / "core.cab", members)
        return (self.release_folder / "core.cab").read_bytes()

    def published(self):
        """make-release's embed parameters for the release folder, as nginx serves it."""
        made = make_release(self.release_folder, self.base_url, "--configuration", "launch.oscf")
        self.assertEqual(made.returncode, 0, made.stderr)
        return [(name, value.strip('"')) for name, value in parameters_of(made.stdout)]

    def run_page(self, parameters, archive_port=None):
        """A run of the page; the archive's URL goes to archive_port when given (a relay)."""
        if archive_port:
            moved = "http://127.0.0.1:%d/release" % archive_port
            parameters = [(name, value.replace(self.base_url, moved) if name == "File0" else value)
                          for name, value in parameters]
        os.environ["WINEPATH"] = windows_path(self.installed)
        try:
            run = self.scene.run([("RedirectURL", self.base_url + "/launch.oscf"), *parameters],
                                 run_ms=scaled(3000))
        finally:
            del os.environ["WINEPATH"]
        self.assertCompleted(run)
        self.assertNotIn("Unable to download client files.", " ".join(run.log), run.log)
        return run

    def assertUnpacked(self, archive, version):
        """The work directory holds the archive as served and the core.dll it brings."""
        self.assertEqual([Path(path).read_bytes() for path in work_files("core.cab")], [archive])
        self.assertEqual([Path(path).read_bytes() for path in work_files("core.dll")],
                         [with_version("core.dll", version)])

    def etag(self, path):
        """nginx's ETag of a file: its modification time and size in hexadecimal."""
        status = path.stat()
        return '"%x-%x"' % (int(status.st_mtime), status.st_size)

    def test_a_release_folder_served_by_nginx_installs_and_resumes_a_cut_archive(self):
        archive = self.cabinet(NEW)
        parameters = self.published()
        self.run_page(parameters)
        self.assertEqual([entry[:2] for entry in self.nginx.seen()],
                         [("GET /release/launch.oscf HTTP/1.1", "200"),
                          ("GET /release/packages.properties HTTP/1.1", "200"),
                          ("GET /release/core.cab HTTP/1.1", "200")])
        self.assertUnpacked(archive, NEW)

        # The same page again, the archive's answer cut half-way on its way from nginx.
        forget_work_directories()
        earlier = len(self.nginx.seen())
        keep = len(archive) // 2
        relay = CuttingRelay(self.nginx.port, keep)
        self.addCleanup(relay.close)
        self.run_page(parameters, relay.port)
        fetched = [entry for entry in self.nginx.seen()[earlier:] if entry[0] == "GET /release/core.cab HTTP/1.1"]
        etag = self.etag(self.release_folder / "core.cab")
        self.assertEqual(fetched[0][1:4], ("200", "", ""), fetched)
        self.assertEqual(fetched[1:], [("GET /release/core.cab HTTP/1.1", "206", "bytes=%d-" % keep, etag,
                                        str(len(archive) - keep))])
        self.assertEqual(relay.connections, 2)
        self.assertUnpacked(archive, NEW)

    def test_an_archive_replaced_since_the_cut_is_fetched_whole(self):
        old_archive = self.cabinet(OLD)
        staging = self.scene.folder / "next"
        staging.mkdir()
        # The next release: core.dll newer, and a file more, so that its archive differs
        # from the first bytes on and a splice of the two would show.
        new_archive = self.cabinet(NEW, b"the next release\n" * 64)
        parameters = self.published()
        (staging / "core.cab").write_bytes(new_archive)
        (self.release_folder / "core.cab").write_bytes(old_archive)
        os.utime(self.release_folder / "core.cab", (1700000000, 1700000000))
        old_etag = self.etag(self.release_folder / "core.cab")

        def replace():
            os.replace(staging / "core.cab", self.release_folder / "core.cab")

        keep = len(old_archive) // 2
        relay = CuttingRelay(self.nginx.port, keep, replace)
        self.addCleanup(relay.close)
        self.run_page(parameters, relay.port)
        fetched = [entry for entry in self.nginx.seen() if entry[0] == "GET /release/core.cab HTTP/1.1"]
        self.assertNotEqual(self.etag(self.release_folder / "core.cab"), old_etag)
        self.assertEqual(fetched[1:], [("GET /release/core.cab HTTP/1.1", "200", "bytes=%d-" % keep, old_etag,
                                        str(len(new_archive)))], fetched)
        self.assertUnpacked(new_archive, NEW)


if __name__ == "__main__":
    main()
