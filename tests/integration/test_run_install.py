"""The install path from the page to the started client: the configuration file, the
package list and both packages are fetched, the downloaded updater installs with
exactly its command line, the installed client starts with the same configuration file
and signals that it is up, and the browser window closes. A second run of the page finds
the client installed and fetches no package."""

import re

from run_scene import PREFIX_C, UNCHECKED_RELEASES, SceneTestCase, work_files
from standin import main

INSTALL_LINE = re.compile(r'updater: command line "(.+)\\bin\\updater\.exe" -install "(.+\.oscf)"$')
LAUNCH_LINE = re.compile(r'updater: command line "(.+)\\bin\\updater\.exe" "(.+\.oscf)"$')


class InstallPathTest(SceneTestCase):
    def page(self):
        return [("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(), ("InstallMode", "true"),
                ("CloseWindow", ""), ("ProgramTitle", "Conference")]

    def test_install_then_launch_then_close_and_a_second_run_fetches_nothing(self):
        page = self.page()
        run = self.scene.run(page)
        self.assertCompleted(run)
        self.assertEqual(self.scene.requested(), ["launch.oscf", "packages.properties", "client.cab", "client.zip"])
        record = self.scene.record_lines()
        installs = [m for m in map(INSTALL_LINE.match, record) if m]
        launches = [m for m in map(LAUNCH_LINE.match, record) if m]
        self.assertEqual(len(installs), 1, record)
        # The work directory, in its short form, under the temporary directory.
        self.assertIn("\\Temp\\", installs[0].group(1))
        # The client starts from the installation, with the configuration file of the install.
        self.assertEqual(len(launches), 1, record)
        self.assertEqual(launches[0].group(2), installs[0].group(2))
        self.assertIn("Ostrel Client", launches[0].group(1))
        self.assertIn("updater: exit 0", record)
        self.assertIn("client: startup event signalled", record)
        self.assertLess(record.index(installs[0].group(0)), record.index(launches[0].group(0)))
        self.assertIn("frame closed by the plug-in", run.lines)
        self.assertIn("run ended: the browser window was closed", run.lines)
        self.assertIn("dialog shown", run.lines)
        self.assertIn("progress 100%", run.lines)
        self.assertEqual(self.boxes(run), [])

        self.scene.record.unlink()
        again = self.scene.run(page)
        self.assertCompleted(again)
        packages = [name for name in self.scene.requested() if name.startswith("client.")]
        self.assertEqual(packages, ["client.cab", "client.zip"])
        record = self.scene.record_lines()
        self.assertEqual([l for l in record if INSTALL_LINE.match(l)], [])
        self.assertEqual(len([l for l in record if LAUNCH_LINE.match(l)]), 1, record)
        self.assertIn("frame closed by the plug-in", again.lines)


    def test_nothing_an_earlier_release_left_in_the_work_directory_is_installed(self):
        user = next(p for p in (PREFIX_C / "users").iterdir() if p.is_dir() and p.name != "Public")
        stale = user / "Temp" / "Ostrel_client_install" / "bin" / "dropped-by-this-release.dll"
        stale.parent.mkdir(parents=True, exist_ok=True)
        stale.write_bytes(b"an earlier release's file")
        stale.chmod(0o444)
        run = self.scene.run(self.page())
        self.assertCompleted(run)
        self.assertIn("updater: exit 0", self.scene.record_lines())
        self.assertFalse((self.scene.install_dir / "bin" / stale.name).exists())
        self.assertEqual(work_files(stale.name), [])
        # The release's own files are there.
        self.assertTrue((self.scene.install_dir / "bin" / "client.exe").exists())


class DigestTest(SceneTestCase):
    def page_with_digests(self, change=None):
        """The install page with each package's FileSha256, as make-release gives it;
        change may alter a digest."""
        parameters = [("RedirectURL", self.scene.url("launch.oscf")), *self.scene.release(), ("InstallMode", "true"),
                      ("CloseWindow", "")]
        return [change(pair) if change else pair for pair in parameters]

    def test_matching_digests_install(self):
        run = self.scene.run(self.page_with_digests())
        self.assertCompleted(run)
        self.assertIn("updater: exit 0", self.scene.record_lines())
        self.assertEqual(run.log, [UNCHECKED_RELEASES])

    def test_a_changed_digest_fails_with_its_own_code_and_leaves_no_package(self):
        def flip_first(pair):
            name, digest = pair
            return (name, ("0" if digest[0] != "0" else "1") + digest[1:]) if name == "FileSha2560" else pair
        parameters = self.page_with_digests(flip_first)
        run = self.scene.run([*parameters, ("InstallLogURL", self.scene.log_receiver())])
        self.assertCompleted(run)
        self.assertIn("Unable to download client files.  rc: 11", run.log)
        # The line is longer than the debug output shows under Wine: it is read from the
        # log as the receiver got it.
        uploaded = b"".join(body for _, _, body in self.scene.received_logs()).decode("utf-8")
        expected = next(value for name, value in parameters if name == "FileSha2560")
        self.assertRegex(uploaded, r"DownloadFile: the file's SHA-256 does not match the page's, the file is "
                                   r"deleted: http://\S+/client\.cab  expected: %s  received: [0-9a-f]{64}\r\n"
                         % expected)
        self.assertNotIn("client.zip", self.scene.requested())
        self.assertEqual(work_files("client.cab"), [])
        self.assertEqual(self.scene.record_lines(), [])


if __name__ == "__main__":
    main()
