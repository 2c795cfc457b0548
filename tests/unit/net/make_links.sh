#!/bin/sh
# Links for the transport tests in the fixture folder $1: a profiles tree with a folder
# that points back at its parent, and full/full.bin pointing at the always-full device.
set -eu
profile="$1/loop/Application Data/Mozilla/Firefox/Profiles/a.default"
mkdir -p "$profile" "$1/full"
printf 'user_pref("intl.accept_languages", "fi");\n' >"$profile/prefs.js"
ln -sfn .. "$profile/back"
ln -sfn /dev/full "$1/full/full.bin"
