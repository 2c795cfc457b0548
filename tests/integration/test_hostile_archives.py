"""A package that unpacks to thousands of times its size, served to the real plug-in in
the stand-in: the run fails as a failed unpack with the one line of the bound it passed,
and what the archive wrote is gone from the work directory again. The archive is put
together here, at test time."""

import sys

from run_scene import PREFIX_C, UNCHECKED_RELEASES, SceneTestCase, work_files
from standin import SOURCE, main, scaled

sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
from hostile_archives import many_entries_zip, overlapping_zip, stored_cabinet  # noqa: E402

RATIO_LINE = "The archive unpacks to more than 64 times its own size: "
ENTRIES_LINE = "The archive holds more than 20000 entries: "
CANCELLED = "The run was cancelled: the page was left before it ended."
LEFT_OUT = "Archive entry left out, a cabinet's package list is never unpacked: "
NO_INSTALLATION = "Unable to find client installation"
UNPACK_FAILED = "The package file could not be unpacked, the update stops: "


def work_directory_bytes():
    """The bytes of all files in the users' work directories."""
    return sum(path.stat().st_size for path in (PREFIX_C / "users").glob("*/Temp/Ostrel_client_install*/**/*")
               if path.is_file())


class HostileArchiveTest(SceneTestCase):
    def package_page(self, package, *extra):
        """A page whose one package is package, served from the scene's folder."""
        config = self.scene.serve("launch.oscf", "smartclient.configURL=%s\r\n" %
                                  self.scene.serve("packages.properties", "updaterFiles=0\n"))
        return [("RedirectURL", config), ("NumFiles", "1"), ("File0", self.scene.url(package.name + ";")),
                ("FileSize0", str(package.stat().st_size)), *extra]

    def test_a_zip_listing_one_entry_of_zeros_16_times_fails_the_run_and_leaves_nothing(self):
        # About 260 KB that list 4 GiB.
        package = self.scene.files / "overlap.zip"
        overlapping_zip(package)
        # The failure closes the window: the run ends soon after it.
        run = self.scene.run(self.package_page(package, ("CloseWindow", "")))
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

    def test_a_zip_of_100000_entries_is_refused_before_anything_is_written(self):
        package = self.scene.files / "many.zip"
        many_entries_zip(package, 100000)
        run = self.scene.run(self.package_page(package, ("CloseWindow", "")))
        self.assertCompleted(run)
        self.assertIn("Unable to download client files.  rc: 8", run.log)
        self.assertEqual(len([line for line in run.log if line.startswith(ENTRIES_LINE)]), 1, run.log)
        self.assertEqual(work_files("e*.txt"), [])
        self.assertLess(work_directory_bytes(), 64 << 20)

    def test_leaving_the_page_during_a_long_extraction_stops_it(self):
        # 19,000 small files, within the bounds, take many seconds to write.
        package = self.scene.files / "long.zip"
        many_entries_zip(package, 19000)
        run = self.scene.run(self.package_page(package), run_ms=scaled(6000))
        self.assertCompleted(run)
        took = int(run.matching(r"NPP_Destroy took (\d+) ms")[0].group(1))
        self.assertLess(took, 2000 + scaled(1000))
        self.assertEqual(run.log, [UNCHECKED_RELEASES, CANCELLED])
        self.assertFalse(self.boxes(run))

    def test_cabinet_names_are_taken_as_windows_writes_them(self):
        # The package list with a trailing dot, a forward slash, a folder with a trailing
        # blank; the work directory is fresh, so every folder must be made.
        package = self.scene.files / "names.cab"
        stored_cabinet(package, [("package.properties.", b"list", 0), ("a/b.txt", b"b", 0),
                                 ("dir /c.txt", b"c", 0)])
        run = self.scene.run(self.package_page(package), run_ms=scaled(10000))
        self.assertCompleted(run)
        self.assertIn(LEFT_OUT + "package.properties.", run.log)
        self.assertNotIn("Unable to download client files.  rc: 8", run.log)
        self.assertEqual(self.boxes(run), [NO_INSTALLATION])
        self.assertEqual(work_files("package.properties*"), [])
        [b] = work_files("b.txt")
        [c] = work_files("c.txt")
        self.assertTrue(b.endswith("/a/b.txt"), b)
        self.assertTrue(c.endswith("/dir/c.txt"), c)
        # Nothing went beside the work directory.
        temp = (PREFIX_C / "users").glob("*/Temp")
        self.assertEqual([path for folder in temp for path in folder.glob("*.txt")], [])


if __name__ == "__main__":
    main()
