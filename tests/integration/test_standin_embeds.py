"""A page that embeds the plug-in twice: each embed gets an instance of its own, with its
own parameters and its own window in the one browser window, created and given its
window in page order, and destroyed in page order once the run ends."""

import re

from standin import PLUGIN_TYPE, PageTestCase, main

HANDLE = r"0x[0-9A-F]{8}"
# Neither embed names packages to fetch, so each instance's install fails at once and
# says so in a box with the page's title and text, or the built-in text.
PAGE = ('<html><body>\n<embed type="%s" width="200" height="40" ProgramTitle="First">\n<p>text</p>\n'
        '<embed type="%s" ProgramTitle="Second" ChangeDirectoryExceptionMessage="Second says no">\n'
        '</body></html>\n' % (PLUGIN_TYPE, PLUGIN_TYPE))


class TwoEmbedsTest(PageTestCase):
    def test_each_embed_has_its_own_instance_and_window_in_page_order(self):
        run = self.run_page(PAGE, run_ms=1500)
        self.assertCompleted(run)
        for number, line, argc in ((1, 2, 4), (2, 4, 3)):
            self.assertIn("instance %d: embed at line %d with %d parameters" % (number, line, argc), run.lines)
            self.assertIn("instance %d: NPP_New mode=1 argc=%d -> 0" % (number, argc), run.lines)

        windows = run.matching(r"instance (\d): frame window (%s) plug-in window (%s) (\d+x\d+)$" % (HANDLE, HANDLE))
        self.assertEqual([(m.group(1), m.group(4)) for m in windows], [("1", "200x40"), ("2", "300x150")])
        self.assertEqual(windows[0].group(2), windows[1].group(2), "one browser window")
        self.assertNotEqual(windows[0].group(3), windows[1].group(3), "a plug-in window each")
        for number, m in enumerate(windows, 1):
            self.assertIn("instance %d: NPP_SetWindow window=%s %s type=1 -> 0" % (number, m.group(3), m.group(4)),
                          run.lines)

        order = ["instance 1: NPP_New ", "instance 2: NPP_New ", "instance 1: NPP_SetWindow ",
                 "instance 2: NPP_SetWindow ", "run ended: ", "instance 1: NPP_Destroy -> 0",
                 "instance 2: NPP_Destroy -> 0", "NP_Shutdown -> 0"]
        positions = [next(i for i, l in enumerate(run.lines) if l.startswith(start)) for start in order]
        self.assertEqual(positions, sorted(positions), run.output)

        # Each instance ran with its own parameters: the boxes its failed install showed.
        boxes = dict((m.group(1), m.group(2)) for m in run.matching(r'message box caption="(.*?)" text="(.*)" -> OK$'))
        self.assertEqual(sorted(boxes), ["First", "Second"], run.output)
        self.assertTrue(boxes["First"].startswith("You do not have permission"), boxes)
        self.assertEqual(boxes["Second"], "Second says no")
        # Each instance's progress dialog is watched and reported under its name.
        for number in (1, 2):
            self.assertEqual(len(run.matching(r"instance %d: dialog created %s$" % (number, HANDLE))), 1)
        self.assertFalse([l for l in run.lines if re.match(r"(NPP_|dialog )", l)], "a line without its instance")
        self.assertIn("allocation balance after NP_Shutdown: 0 bytes in 0 blocks", run.lines)


if __name__ == "__main__":
    main()
