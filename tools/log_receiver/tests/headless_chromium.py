"""Debian's Chromium, headless, driven through chromedriver (selenium), for the
dashboard's test and picture. The machine's network is closed: Chromium is told to
reach for nothing of its own (no updates, sync, QUIC or background requests), and gets
a profile of its own that is removed afterwards."""

import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SWITCHES = ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--hide-scrollbars")
WAIT_SECONDS = 30


class HeadlessChromium:
    def __init__(self, width=1280, height=1000):
        self.size = width, height

    def __enter__(self):
        self.profile = tempfile.mkdtemp(prefix="receiver-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for switch in SWITCHES + ("--user-data-dir=" + self.profile, "--window-size=%d,%d" % self.size):
            options.add_argument(switch)
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        return self.driver

    def __exit__(self, *_):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)


def sign_in(driver, base_url, token):
    """Opens the dashboard as a person does: the sign-in page, the token, the overview."""
    driver.get(base_url + "dashboard/")
    field = WebDriverWait(driver, WAIT_SECONDS).until(
        expected_conditions.presence_of_element_located((By.NAME, "token")))
    field.send_keys(token)
    field.submit()
    WebDriverWait(driver, WAIT_SECONDS).until(expected_conditions.presence_of_element_located((By.ID, "chart")))
