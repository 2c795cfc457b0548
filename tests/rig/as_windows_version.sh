#!/bin/sh
# Runs a Windows program with Wine reporting VERSION (win95, winxp, ...) to it alone:
# Wine's per-program setting, made in the prefix the program runs in, read when the
# program starts.
# Usage: as_windows_version.sh WINE_RUN VERSION PROGRAM [ARGS...]
set -eu
wine_run=$1
version=$2
program=$3
shift 3
"$wine_run" reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$program")" /v Version /d "$version" /f >/dev/null
exec "$wine_run" "$program" "$@"
