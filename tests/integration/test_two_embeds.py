"""Two embeds of the real plug-in on one page: both update side by side, each in a work
directory of its own with log lines that stay whole, and a server that dies in the
middle of one's download fails that one alone."""

import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

from run_scene import UNCHECKED_RELEASES, SceneTestCase, make_release, BIN, work_files
from standin import SOURCE, main, scaled

FIXTURE_SERVER = SOURCE / "tests" / "fixtures" / "fixture_server.py"
NO_INSTALLATION = "Unable to find client installation"
SECOND_FAILED = "The second download failed."


def paced(url, pause_ms):
    return url.replace("/files/", "/paced/%d/" % pause_ms)


def work_folder(path):
    """The work directory's name of a path inside one."""
    return next(part for part in Path(path).parts if part.startswith("Ostrel_client_install"))


class TwoEmbedsTest(SceneTestCase):
    def embed_for(self, base_url, folder, extra=()):
        """A release in folder, served from base_url, its cabinet paced so that the two
        instances' downloads overlap."""
        parameters = make_release(folder, base_url, BIN)
        parameters = [(name, paced(value, scaled(100)) if name == "File0" else value) for name, value in parameters]
        return [("RedirectURL", base_url + "/launch.oscf"), *parameters, *extra]

    def test_both_instances_update_side_by_side(self):
        first = self.embed_for(self.scene.base_url, self.scene.files)
        second = self.embed_for(self.scene.base_url + "/second", self.scene.files / "second")
        run = self.scene.run(first, "--answer-probe", run_ms=scaled(9000), more_embeds=[second])
        self.assertCompleted(run)
        requested = self.scene.requested()
        for name in ("client.cab", "client.zip", "second/client.cab", "second/client.zip"):
            self.assertEqual(requested.count(name), 1, requested)
        # Each unpacked its own tree in its own folder, and neither failed: each went on to
        # the launch, which finds no installation on a page without install mode.
        self.assertEqual(sorted(work_folder(path) for path in work_files("client.exe")),
                         ["Ostrel_client_install", "Ostrel_client_install_2"])
        self.assertEqual(self.boxes(run), [NO_INSTALLATION, NO_INSTALLATION])
        # Each update's first line comes among the other's lines.
        self.assertEqual(run.log.count(UNCHECKED_RELEASES), 2)
        self.assertEqual([line for line in run.log if line != UNCHECKED_RELEASES],
                         ["CMyPlugin::StartupClient was executed without a client installation."] * 2)
        self.assertEqual(len(run.matching(r"^instance [12]: dialog created ")), 2)
        # Held by either download, the browser's thread would wait for seconds; a busy
        # machine running other tests beside this one delays an answer by a tenth of a second
        # or two.
        longest = int(run.matching(r"browser thread answered within (\d+) ms at the most")[0].group(1))
        self.assertLess(longest, scaled(500))

    def test_a_server_dying_mid_download_fails_only_its_instance(self):
        folder = Path(tempfile.mkdtemp(prefix="second-server-"))
        subprocess.run([sys.executable, str(FIXTURE_SERVER), "start", str(folder)], check=True)
        # The second's paced cabinet takes 2.5 s (scaled) from its start: the server dies
        # half a second (scaled) after the cabinet was asked for, whenever that is.
        stop = [sys.executable, str(FIXTURE_SERVER), "stop", str(folder)]
        stopped = threading.Event()

        def stop_during_the_cabinet():
            deadline = time.monotonic() + scaled(9000) / 1000
            log = folder / "requests.log"
            while time.monotonic() < deadline and not stopped.is_set():
                if log.exists() and "client.cab" in log.read_text(errors="replace"):
                    stopped.wait(scaled(500) / 1000)
                    break
                stopped.wait(0.05)
            subprocess.run(stop)
        stopper = threading.Thread(target=stop_during_the_cabinet)
        try:
            port = dict(line.split("=", 1) for line in (folder / "server.env").read_text().splitlines())["http_port"]
            second = self.embed_for("http://127.0.0.1:%s/files/release" % port, folder / "files" / "release",
                                    [("ChangeDirectoryExceptionMessage", SECOND_FAILED)])
            first = self.embed_for(self.scene.base_url, self.scene.files)
            stopper.start()
            run = self.scene.run(first, run_ms=scaled(9000), more_embeds=[second])
        finally:
            stopped.set()
            stopper.join()
            subprocess.run(stop)
        self.assertCompleted(run)
        self.assertIn("client.zip", self.scene.requested())
        self.assertEqual(sorted(self.boxes(run)), sorted([NO_INSTALLATION, SECOND_FAILED]))
        self.assertEqual(run.log.count("Unable to download client files.  rc: 3"), 1, run.log)
        # Each worker claims its folder as it starts, so either may have the first: one
        # folder holds the unpacked tree, and the second's partial package went with its
        # failure (no other folder holds a cabinet).
        unpacked = [work_folder(path) for path in work_files("client.exe")]
        self.assertEqual(len(unpacked), 1)
        self.assertLessEqual({work_folder(path) for path in work_files("client.cab")}, set(unpacked))


if __name__ == "__main__":
    main()
