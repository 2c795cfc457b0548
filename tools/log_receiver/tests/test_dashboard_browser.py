"""The dashboard in a real browser (Debian's Chromium, headless): signed in with the
token through the sign-in page, the chart and the failure table show the uploads just
posted, the page's style sheet applies under its policy, and a script in an upload's
log lines, its path and its refusal reason shows as text and never runs."""

import collections
import tempfile
import unittest

from headless_chromium import HeadlessChromium, sign_in
from receiver_process import TOKEN, Receiver, sqlite_url
from sample_bodies import RunLogs, body
from selenium.webdriver.common.by import By

SCRIPT = "<script>document.title='ran';document.documentElement.dataset.ran='yes'</script>"
SUCCEEDED_GREEN = "rgb(46, 125, 50)"


def ran(driver):
    return driver.title == "ran" or driver.execute_script("return document.documentElement.dataset.ran") == "yes"


class DashboardBrowserTest(unittest.TestCase):
    def post_uploads(self, receiver):
        logs = RunLogs()
        posted = [logs.unchecked_update()] * 3 + [logs.failed_download()] * 2 + [logs.refused_release()]
        for log in posted:
            self.assertEqual(receiver.post(body(log))[0], 200)
        hostile = [SCRIPT, logs.line("Release refused: ", SCRIPT), logs.line("Unable to download client files.  rc: ",
                                                                            "14")]
        self.assertEqual(receiver.post(body(hostile, platform=SCRIPT), path="/logs/" + SCRIPT)[0], 200)
        return {"succeeded": 3, "failed download": 2, "refused release": 2}

    def test_the_chart_and_failures_show_the_uploads_and_no_upload_runs_a_script(self):
        with tempfile.TemporaryDirectory(prefix="receiver-") as folder, Receiver(sqlite_url(folder)) as receiver:
            expected = self.post_uploads(receiver)
            with HeadlessChromium() as driver:
                sign_in(driver, "http://127.0.0.1:%d/" % receiver.port, TOKEN)
                bars = driver.find_elements(By.CSS_SELECTOR, "svg.chart rect.bar")
                counts = collections.Counter()
                for bar in bars:
                    counts[bar.get_attribute("data-outcome")] += int(bar.get_attribute("data-count"))
                self.assertEqual(counts, expected)
                green = [bar for bar in bars if bar.get_attribute("data-outcome") == "succeeded"]
                self.assertEqual(driver.execute_script("return getComputedStyle(arguments[0]).fill", green[0]),
                                 SUCCEEDED_GREEN)
                rows = [[cell.text for cell in row.find_elements(By.TAG_NAME, "td")]
                        for row in driver.find_elements(By.CSS_SELECTOR, "#failures tbody tr")]
                self.assertIn(["failed download", "rc 6", "Windows XP 5.1, Service Pack 3", "Firefox 1.5", "2"], rows)
                self.assertIn(["refused release", "the manifest could not be had: \u2026",
                               "Windows XP 5.1, Service Pack 3", "Firefox 1.5", "1"], rows)
                # The hostile upload's reason and platform, shown as the text they are.
                self.assertIn(["refused release", SCRIPT, SCRIPT + " 5.1, Service Pack 3", "Firefox 1.5", "1"], rows)
                self.assertIn("/logs/" + SCRIPT, driver.find_element(By.ID, "recent").text)
                self.assertEqual(driver.execute_script("return document.scripts.length"), 0)
                self.assertFalse(ran(driver))
                driver.find_element(By.CSS_SELECTOR, "#recent tbody tr a").click()
                self.assertIn(SCRIPT, driver.find_element(By.CSS_SELECTOR, "pre.log").text)
                self.assertEqual(driver.execute_script("return document.scripts.length"), 0)
                self.assertFalse(ran(driver))


if __name__ == "__main__":
    unittest.main(verbosity=2)
