"""The receiver from outside, on both stores: the plug-in's POST as it sends it is
stored with its fields and its body byte for byte; hostile bodies are stored or refused
as the manual says and the receiver lives on after each; old uploads go; the summary
prints the same figures from either store, and a store copied into PostgreSQL gives them
too. The dashboard's pages need the token."""

import re
import tempfile
import unittest

import receiver_path  # noqa: F401
from postgres_server import PostgresServer
from receiver_process import TOKEN, Receiver, run_tool, sqlite_url
from sample_bodies import ASCII, UTF8, RunLogs, body

from log_receiver.store_url import open_store

MIB = 1 << 20
DAY = 86400
postgres = None


def setUpModule():
    global postgres
    postgres = PostgresServer().__enter__()


def tearDownModule():
    postgres.__exit__(None, None, None)


def padded_to(size):
    """A plug-in body of exactly size bytes, a long log line making up the rest."""
    short = body(["x"])
    return body(["x" * (size - len(short) + 1)])


class StoreCase(unittest.TestCase):
    """Each test gets a new, empty store of the kind its class says."""

    kind = "sqlite"
    count = 0

    def setUp(self):
        StoreCase.count += 1
        if self.kind == "sqlite":
            self.folder = tempfile.TemporaryDirectory(prefix="receiver-")
            self.url = sqlite_url(self.folder.name)
        else:
            self.url = postgres.new_database("store_%d" % StoreCase.count)

    def tearDown(self):
        if self.kind == "sqlite":
            self.folder.cleanup()

    def stored(self):
        """Every stored upload, oldest first, as the store keeps it."""
        store = open_store(self.url, create=False)
        try:
            return store.uploads_in_order(0, 1000)
        finally:
            store.close()


class ReceivingTest(StoreCase):
    def test_the_plugins_post_is_stored_with_its_fields_and_its_body_as_it_came(self):
        logs = RunLogs()
        utf8 = body(logs.failed_download(url="http://h/gr\u00fc\u00dfe.oscf"))
        # A system that does not convert sends its code page, labelled us-ascii.
        ascii_body = body(logs.unchecked_update(), encoding="cp1252", client_dir="C:\\Programme\\\u00dcbung",
                          platform="Windows 2000", version="5.0.2195", service_pack="Service Pack 4")
        with Receiver(self.url) as receiver:
            self.assertEqual(receiver.post(utf8, "/conference/installlog?site=7"), (200, b"stored\n"))
            self.assertEqual(receiver.post(ascii_body, "/other/path", ASCII), (200, b"stored\n"))
            # Ended as a service manager ends it: what it answered is stored, and it says so.
            self.assertEqual(receiver.stop(), 0)
        first, second = self.stored()
        self.assertEqual((first["path"], first["query"], first["protocol"], first["content_type"]),
                         ("/conference/installlog", "site=7", "HTTP/1.0", UTF8))
        self.assertEqual((first["body"], first["body_bytes"]), (utf8, len(utf8)))
        self.assertEqual((first["outcome"], first["detail"], first["system"], first["browser"]),
                         ("failed download", "rc 6", "Windows XP 5.1, Service Pack 3", "Firefox 1.5"))
        self.assertEqual(second["body"], ascii_body)
        self.assertEqual((second["client_dir"], second["client_found"], second["system"], second["outcome"]),
                         ("C:\\Programme\\\u00dcbung", 1, "Windows 2000 5.0, Service Pack 4", "succeeded"))

    def test_hostile_bodies_are_stored_or_refused_and_the_receiver_lives_on(self):
        logs = RunLogs()
        long_log = [str(n) for n in range(100000)] + logs.failed_download(rc="3")
        cases = [
            ("empty", b"", UTF8, 400),
            ("one byte past 1 MiB", padded_to(MIB + 1), UTF8, 413),
            ("exactly 1 MiB", padded_to(MIB), UTF8, 200),
            ("NULs", body(["a\x00b"] + logs.fault(), platform="Windows\x00XP"), UTF8, 200),
            ("invalid UTF-8", body(logs.failed_unpack()).replace(b"line", b"\xff\xc3(") + b"\xc3", UTF8, 200),
            ("a script in a log line", body(["<script>document.title='ran'</script>"]), UTF8, 200),
            ("a 100,000-line log", body(long_log), UTF8, 200),
            ("a report cut short", body(logs.cancelled())[:300], UTF8, 200),
            # Two free slots in one line: a pattern would backtrack for hours over this.
            ("a line built to make the rules backtrack", body(["Release " + "1 of " * 150000]), UTF8, 200),
            ("bare LF line ends", body(logs.updater_failed()).replace(b"\r\n", b"\n"), "", 200),
            ("not the plug-in's at all", bytes(range(256)) * 64, "application/octet-stream", 200),
        ]
        with Receiver(self.url) as receiver:
            for name, sent, content_type, status in cases:
                with self.subTest(body=name):
                    self.assertEqual(receiver.post(sent, content_type=content_type)[0], status)
                    self.assertTrue(receiver.alive())
            chunked = b"%x\r\n%s\r\n0\r\n\r\n" % (MIB + 1, padded_to(MIB + 1))
            status, _, _ = receiver.raw(b"POST /c HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked)
            self.assertEqual(status, 413)
            self.assertTrue(receiver.alive())
        stored = {name: upload for (name, _, _, status), upload in
                  zip([case for case in cases if case[3] == 200], self.stored())}
        self.assertEqual(len(self.stored()), len(stored))
        for name, sent, _, status in cases:
            if status == 200:
                self.assertEqual(stored[name]["body"], sent, name)
        self.assertEqual(stored["exactly 1 MiB"]["body_bytes"], MIB)
        self.assertEqual((stored["NULs"]["platform"], stored["NULs"]["outcome"]), ("Windows\ufffdXP", "fault"))
        self.assertEqual(stored["invalid UTF-8"]["outcome"], "failed unpack")
        self.assertEqual((stored["a 100,000-line log"]["line_count"], stored["a 100,000-line log"]["detail"]),
                         (len(long_log), "rc 3"))
        cut = stored["a report cut short"]
        self.assertEqual((cut["complete"], cut["platform"], cut["client_dir"], cut["user_agent"]),
                         (0, "Windows XP", None, None))
        self.assertEqual(stored["bare LF line ends"]["outcome"], "updater failed")
        self.assertEqual(stored["not the plug-in's at all"]["outcome"], "no update")

    def test_uploads_past_the_retention_go_with_their_bodies(self):
        with Receiver(self.url) as receiver:
            for _ in range(3):
                receiver.post(body(RunLogs().unchecked_update()))
        store = open_store(self.url, create=False)
        with store.transaction() as cursor:
            cursor.execute(store.sql("UPDATE uploads SET received_at = received_at - ? WHERE id = ?"),
                           (91 * DAY, self.stored()[0]["id"]))
            cursor.execute(store.sql("UPDATE uploads SET received_at = received_at - ? WHERE id = ?"),
                           (40 * DAY, self.stored()[1]["id"]))
        kept = [upload["id"] for upload in self.stored()[1:]]
        # The receiver removes what is past its retention (90 days by default) as it starts.
        with Receiver(self.url) as receiver:
            self.assertTrue(receiver.alive())
        self.assertEqual([upload["id"] for upload in self.stored()], kept)
        self.assertEqual(run_tool("prune", "--store", self.url, "--retention-days", "30"),
                         (0, "log-receiver: removed 1 upload(s) older than 30 days\n"))
        self.assertEqual([upload["id"] for upload in self.stored()], kept[1:])
        self.assertEqual(store.rows("SELECT COUNT(*) FROM upload_bodies")[0][0], 1)
        store.close()

    def test_the_summary_gives_the_figures_of_what_was_received(self):
        logs = RunLogs()
        with Receiver(self.url) as receiver:
            for log in [logs.unchecked_update()] * 3 + [logs.failed_download()] * 2 + [logs.refused_release()]:
                receiver.post(body(log))
            status, _, page = receiver.get("/dashboard/?since=24&outcome=failed+download")
            self.assertEqual(status, 200)
            self.assertIn(b'data-outcome="failed download" data-count="2"', page)
            self.assertIn(b"<h2>2 uploads in the last 24 hours</h2>", page)
        code, text = run_tool("summary", "--store", self.url)
        self.assertEqual(code, 0, text)
        self.assertIn("6 upload(s) in the last 7 days", text)
        counts = dict(re.findall(r"^  (succeeded|failed download|refused release) +(\d+)", text, re.M))
        self.assertEqual(counts, {"succeeded": "3", "failed download": "2", "refused release": "1"})
        self.assertRegex(text, r"\n +2  failed download: rc 6; Windows XP 5.1, Service Pack 3; Firefox 1.5\n")
        self.assertRegex(text, r"\n  the update +6\n  the packages' download +5\n")


class PostgresReceivingTest(ReceivingTest):
    kind = "postgresql"

    def test_a_sqlite_store_copied_into_postgresql_gives_the_same_figures_and_bodies(self):
        logs = RunLogs()
        with tempfile.TemporaryDirectory(prefix="receiver-") as folder:
            source = sqlite_url(folder)
            with Receiver(source) as receiver:
                for log in (logs.unchecked_update(), logs.fault(), ["\x00<b>"] + logs.failed_download()):
                    receiver.post(body(log))
            self.assertEqual(run_tool("copy", "--from", source, "--to", self.url),
                             (0, "log-receiver: copied 3 upload(s)\n"))
            self.assertEqual(run_tool("summary", "--store", self.url, "--since", "all"),
                             run_tool("summary", "--store", source, "--since", "all"))
            originals = open_store(source, create=False).uploads_in_order()
        copies = self.stored()
        self.assertEqual([upload["body"] for upload in copies], [upload["body"] for upload in originals])
        self.assertEqual(run_tool("copy", "--from", self.url, "--to", self.url)[0], 1)


class DashboardAccessTest(StoreCase):
    def sign_in(self, receiver, token, next_page="/dashboard/"):
        """The sign-in form sent: (status, answer head)."""
        form = "token=%s&next=%s" % (token, next_page)
        status, head, _ = receiver.raw(("POST /dashboard/sign-in HTTP/1.0\r\nContent-Type: "
                                        "application/x-www-form-urlencoded\r\nContent-Length: %d\r\n\r\n%s"
                                        % (len(form), form)).encode())
        return status, head

    def test_the_pages_open_only_with_the_token_and_a_sign_in_gives_a_cookie(self):
        self.assertEqual(run_tool("serve", "--store", self.url, "--port", "0", "--token", "short")[0], 1)
        with Receiver(self.url) as receiver:
            status, headers, _ = receiver.get("/dashboard/", token=False)
            self.assertEqual((status, headers["Location"].split("?")[0]), (303, "/dashboard/sign-in"))
            self.assertEqual(receiver.get("/dashboard/", token="x" * 24)[0], 401)
            self.assertEqual(receiver.get("/dashboard/figures.json", token=False)[0], 401)
            self.assertEqual(receiver.get("/dashboard/figures.json")[0], 200)
            self.assertEqual(self.sign_in(receiver, "wrong-token-wrong-token")[0], 401)
            # A sign-in goes on to a dashboard page only, never to another site.
            status, head = self.sign_in(receiver, TOKEN, "http://elsewhere.example/")
            self.assertEqual(status, 303)
            self.assertIn("\r\nLocation: /dashboard/\r\n", head)
            cookie = re.search(r"Set-Cookie: (receiver_session=[^;]+);.*HttpOnly.*SameSite=Strict", head).group(1)
            self.assertEqual(receiver.get("/dashboard/", token=False, headers={"Cookie": cookie})[0], 200)
            forged = "receiver_session=99999999999.%s" % ("0" * 64)
            self.assertEqual(receiver.get("/dashboard/", token=False, headers={"Cookie": forged})[0], 303)
        # The sign-ins are POSTs too, but no upload came of them.
        self.assertEqual(self.stored(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
