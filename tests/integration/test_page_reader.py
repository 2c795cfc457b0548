"""How the stand-in reads the embed from a page: quoting styles, character references,
names as written, the embed of the plug-in's type among others, and clear refusals of
pages it cannot use."""

import unittest

from standin import PLUGIN_TYPE, PageTestCase, embed_parameters, main, quoted, run_page, run_standin


class AttributeTest(PageTestCase):
    @classmethod
    def setUpClass(cls):
        # One run reads a page that holds every case, to keep the suite quick.
        cls.run_ = run_page(
            "<!DOCTYPE html>\n<html>\n<!-- <embed type=\"%s\" inComment=1> -->\n"
            "<script>var s = '<embed type=\"%s\" inScript=1>';</script>\n"
            "<embed type=\"video/x-other\" other=1>\n"
            "<EMBED TYPE='%s'\n"
            "  double=\"say 'hi'\" single='say \"hi\"' unquoted=plain/value spaced = \"x\"\n"
            "  bare Empty=\"\" dup=first dup=second MixedCase=Value\n"
            "  entities=\"a&amp;b &lt;c&gt; &quot;d&quot; &#39;e&#39; &apos;f&apos; &#233;&#xE9;&#x20AC;\"\n"
            "  kept=\"&amp &bogus; &#; &#xZZ; &#0; &#xD800; &#1114112; a&b\"\n"
            "  unicode=\"caf\u00e9\"/>\n</html>\n" % (PLUGIN_TYPE, PLUGIN_TYPE, PLUGIN_TYPE))
        cls.parameters = embed_parameters(cls.run_)

    def value(self, name):
        return dict(self.parameters)[quoted(name)]

    def test_the_embed_of_the_plugins_type_is_taken(self):
        self.assertCompleted(self.run_)
        self.assertIn("embed at line 6 with 13 parameters", self.run_.lines)
        self.assertIn("NPP_New mode=1 argc=13 -> 0", self.run_.lines)
        self.assertEqual(self.parameters[0], ('"TYPE"', quoted(PLUGIN_TYPE)))

    def test_quoting_styles(self):
        self.assertEqual(self.value("double"), quoted("say 'hi'"))
        self.assertEqual(self.value("single"), quoted('say "hi"'))
        self.assertEqual(self.value("unquoted"), quoted("plain/value"))
        self.assertEqual(self.value("spaced"), quoted("x"))
        self.assertEqual(self.value("bare"), '""')
        self.assertEqual(self.value("Empty"), '""')

    def test_names_as_written_in_document_order_duplicates_included(self):
        self.assertEqual([name for name, _ in self.parameters], [quoted(n) for n in (
            "TYPE", "double", "single", "unquoted", "spaced", "bare", "Empty", "dup", "dup",
            "MixedCase", "entities", "kept", "unicode")])
        self.assertEqual(self.parameters[7:9], [('"dup"', '"first"'), ('"dup"', '"second"')])
        self.assertEqual(self.value("MixedCase"), '"Value"')

    def test_character_references_are_decoded(self):
        self.assertEqual(self.value("entities"), quoted("a&b <c> \"d\" 'e' 'f' \u00e9\u00e9\u20ac"))

    def test_unknown_or_invalid_references_stay_as_written(self):
        self.assertEqual(self.value("kept"), quoted("&amp &bogus; &#; &#xZZ; &#0; &#xD800; &#1114112; a&b"))

    def test_page_bytes_pass_unchanged(self):
        self.assertEqual(self.value("unicode"), quoted("caf\u00e9"))


class RefusedPageTest(PageTestCase):
    def check_refused(self, body, message):
        run = self.run_page(body)
        self.assertEqual(run.code, 3, run.output)
        self.assertTrue(run.lines[-1].startswith("page "), run.lines[-1])
        self.assertIn(message, run.lines[-1])
        self.assertFalse([l for l in run.lines if l.startswith("LoadLibrary")])
        return run.lines[-1]

    def test_page_without_embed(self):
        self.check_refused("<html><body><p>No plug-in here.</p></body></html>", "has no <embed> tag")

    def test_embed_only_inside_a_comment(self):
        self.check_refused("<!-- <embed type=\"%s\"> -->" % PLUGIN_TYPE, "has no <embed> tag")

    def test_embed_of_another_type(self):
        line = self.check_refused('<embed type="application/x-shockwave" src="a.swf"><embed src="b">',
                                  'has no <embed> of type "%s"' % PLUGIN_TYPE)
        self.assertIn('its embeds are of type "application/x-shockwave", ""', line)

    def test_unclosed_tag_and_unclosed_quote(self):
        self.check_refused('<p>\n<embed type="%s" a="1"' % PLUGIN_TYPE, "has an <embed> tag that is not closed with '>' (line 2)")
        self.check_refused('<embed type="%s" a="1>' % PLUGIN_TYPE, "has an <embed> attribute value without its closing quote (line 1)")

    def test_missing_page(self):
        run = run_standin("--run-ms", 100, "Z:\\no\\such\\page.html")
        self.assertEqual(run.code, 3)
        self.assertEqual(run.lines[-1], 'page "Z:\\\\no\\\\such\\\\page.html" cannot be opened')


if __name__ == "__main__":
    main()
