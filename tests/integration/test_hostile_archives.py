"""A package that unpacks to thousands of times its size, served to the real plug-in in
the stand-in: the run fails as a failed unpack with the one line of the bound it passed,
and what the archive wrote is gone from the work directory again. The archive is put
together here, at test time."""

import sys

from run_scene import PREFIX_C, SceneTestCase, work_files
from standin import SOURCE, main

sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
from hostile_archives import overlapping_zip  # noqa: E402

RATIO_LINE = "The archive unpacks to more than 64 times its own size: "
UNPACK_FAILED = "The package file could not be unpacked, the update stops: "


def work_directory_bytes():
    """The bytes of all files in the users' work directories."""
    return sum(path.stat().st_size for path in (PREFIX_C / "users").glob("*/Temp/Ostrel_client_install*/**/*")
               if path.is_file())


class HostileArchiveTest(SceneTestCase):
    def test_a_zip_listing_one_entry_of_zeros_16_times_fails_the_run_and_leaves_nothing(self):
        # About 260 KB that list 4 GiB.
        package = self.scene.files / "overlap.zip"
        overlapping_zip(package)
        config = self.scene.serve("launch.oscf", "smartclient.configURL=%s\r\n" %
                                  self.scene.serve("packages.properties", "updaterFiles=0\n"))
        # The failure closes the window: the run ends soon after it.
        run = self.scene.run([("RedirectURL", config), ("NumFiles", "1"), ("File0", self.scene.url("overlap.zip;")),
                              ("FileSize0", str(package.stat().st_size)), ("CloseWindow", "")])
        self.assertCompleted(run)
        self.assertIn("run ended: the browser window was closed", run.lines)
        self.assertIn("Unable to download client files.  rc: 8", run.log)
        bounds = [line for line in run.log if line.startswith(RATIO_LINE)]
        self.assertEqual(len(bounds), 1, run.log)
        self.assertTrue(bounds[0].endswith("\\overlap.zip"), bounds[0])
        self.assertIn(UNPACK_FAILED + bounds[0][len(RATIO_LINE):], run.log)
        self.assertNotIn("The run was cancelled: the page was left before it ended.", run.log)
        # The package itself stays; the files it wrote are gone.
        self.assertEqual(len(work_files("overlap.zip")), 1)
        self.assertEqual(work_files("zeros*.bin"), [])
        self.assertLess(work_directory_bytes(), 64 << 20)


if __name__ == "__main__":
    main()
