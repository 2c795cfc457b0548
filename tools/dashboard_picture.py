#!/usr/bin/python3
"""Takes the README's picture of the receiver's dashboard: a week of uploads of a
plausible mix stored in a new SQLite store, the real receiver serving it, the overview
signed in and pictured in Debian's headless Chromium. Runs on Debian's own python3, which
has selenium.

    tools/dashboard_picture.py OUTPUT_PNG
"""

import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent / "log_receiver" / "tests"))
import receiver_path  # noqa: E402,F401
from headless_chromium import HeadlessChromium, sign_in  # noqa: E402
from receiver_process import TOKEN, Receiver, sqlite_url  # noqa: E402
from stored_samples import stored_uploads  # noqa: E402

from log_receiver.store_url import open_store  # noqa: E402

UPLOADS = 1500
WEEK_SECONDS = 7 * 86400
# The chart, the funnel and the top of the failure table; the rest of the page goes below.
PICTURE_SIZE = (1100, 1240)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="dashboard-picture-") as folder:
        store = open_store(sqlite_url(folder))
        store.add_many(stored_uploads(UPLOADS, time.time(), WEEK_SECONDS))
        store.close()
        with Receiver(sqlite_url(folder)) as receiver, HeadlessChromium(*PICTURE_SIZE) as driver:
            sign_in(driver, "http://127.0.0.1:%d/" % receiver.port, TOKEN)
            driver.save_screenshot(sys.argv[1])
    print("dashboard_picture: %s" % sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
