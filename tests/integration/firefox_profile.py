"""A Firefox profile in a build's Wine prefix, for the tests and the benchmarks that run
the stand-in: its default user agent is a Firefox's, and without a profile the plug-in
logs that it found no Firefox installation."""

import shutil
from pathlib import Path

from rig_prefix import rig_prefix


class FirefoxProfile:
    """A profile for the prefix's user with its language preference, removed again at the
    end when there was no Mozilla folder before."""

    def __init__(self, build, name):
        self.build, self.name = Path(build), name

    def __enter__(self):
        users = rig_prefix(self.build) / "drive_c" / "users"
        user = next(p for p in users.iterdir() if p.is_dir() and p.name != "Public")
        self.root = user / "AppData" / "Roaming" / "Mozilla"
        self.existed = self.root.exists()
        profile = self.root / "Firefox" / "Profiles" / self.name
        profile.mkdir(parents=True, exist_ok=True)
        (profile / "prefs.js").write_text('user_pref("intl.accept_languages", "en-us");\r\n')
        return self

    def __exit__(self, *exc):
        if not self.existed:
            shutil.rmtree(self.root, ignore_errors=True)
