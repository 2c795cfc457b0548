"""A page with twenty embeds of the real plug-in, more than the sixteen work directories
there once were, each with a release of its own: every
instance updates in a work directory of its own with a configuration file of its own,
none fails another, and the install log's lines stay whole. OSTREL_EMBED_ROUNDS runs the
page that many times (default 1), for a search of rare crashes."""

import os

from run_scene import UNCHECKED_RELEASES, SceneTestCase, make_release, BIN, work_files
from standin import main, scaled
from test_two_embeds import NO_INSTALLATION, work_folder

EMBEDS = 20
NO_INSTALLATION_LINE = "CMyPlugin::StartupClient was executed without a client installation."


class ManyEmbedsTest(SceneTestCase):
    def embed_for(self, n):
        name = "r%02d" % n
        base_url = "%s/%s" % (self.scene.base_url, name)
        return [("RedirectURL", base_url + "/launch.oscf"), *make_release(self.scene.files / name, base_url, BIN)]

    def test_twenty_embeds_each_update_on_their_own(self):
        embeds = [self.embed_for(n) for n in range(EMBEDS)]
        for round_number in range(int(os.environ.get("OSTREL_EMBED_ROUNDS", "1"))):
            with self.subTest(round=round_number):
                if round_number:
                    self.tearDown()
                    self.setUp()
                    embeds = [self.embed_for(n) for n in range(EMBEDS)]
                # Each instance's update ends with its box: the page ends with the last.
                run = self.scene.run(embeds[0], "--end-after-boxes", EMBEDS, run_ms=scaled(60000),
                                     more_embeds=embeds[1:])
                self.assertCompleted(run)
                self.assertIn("run ended: the message boxes asked for were answered", run.lines)
                requested = self.scene.requested()
                for n in range(EMBEDS):
                    for name in ("launch.oscf", "client.cab", "client.zip"):
                        self.assertEqual(requested.count("r%02d/%s" % (n, name)), 1, (n, name, requested))
                folders = [work_folder(path) for path in work_files("client.exe")]
                self.assertEqual(len(folders), EMBEDS, folders)
                self.assertEqual(len(set(folders)), EMBEDS, folders)
                # Each went on to the launch, which finds no installation on a page without
                # install mode; the log's lines are whole, one per instance.
                self.assertEqual(self.boxes(run), [NO_INSTALLATION] * EMBEDS)
                # Each update's first line comes among the others' lines.
                self.assertEqual(run.log.count(UNCHECKED_RELEASES), EMBEDS)
                self.assertEqual([line for line in run.log if line != UNCHECKED_RELEASES],
                                 [NO_INSTALLATION_LINE] * EMBEDS)


if __name__ == "__main__":
    main()
