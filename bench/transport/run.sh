#!/usr/bin/env bash
# Transport benchmark: one local fixture server, one 256 MiB file, three ways to fetch it,
# alternated A B C per round: DownloadFile under Wine, a bare 16 KiB WinInet loop under
# Wine, and curl natively. Prints each round, the medians, the ratios and peak memory.
# Wine programs and the prefix's wineserver are pinned to CPU 0, since a WinInet read
# costs about three times as much when the program and wineserver sit on different CPUs.
#   bench/transport/run.sh [BUILD_DIR] [ROUNDS] [SIZE_MIB]
# The build folder must have been configured with this folder added to the project.
# WinInet keeps a copy of every download in the prefix's cache; the script removes the
# copies of its own downloads at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-3}
size=$((${3:-256} * 1024 * 1024))
work=$(mktemp -d /tmp/ostrel-bench.XXXXXX)
server="$root/tests/fixtures/fixture_server.py"

started_rig=no
cleanup() {
  python3 "$server" stop "$work/server" || true
  find "$build/rig/prefix/drive_c/users" -path '*INetCache*' -name 'bench-*' -delete 2>/dev/null || true
  if [ "$started_rig" = yes ]; then "$build/wine-run" --stop; fi
  rm -rf "$work"
}
trap cleanup EXIT

ninja -C "$build" transport_download_bench transport_wininet_loop_bench >/dev/null
# Starting fails when the rig is already up; the rig is then left as it was found.
"$build/wine-run" --start 2>/dev/null && started_rig=yes
python3 "$server" start "$work/server"
port=$(sed -n 's/^http_port=//p' "$work/server/server.env")
prefix="$build/rig/prefix"
for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver || true); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then
    taskset -pc 0 "$pid" >/dev/null
  fi
done

wine_path() { echo "Z:${1//\//\\}"; }
seconds_of() { sed -n 's/.*seconds=\([0-9.]*\).*/\1/p'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

: >"$work/download" >"$work/loop" >"$work/curl"
for round in $(seq "$rounds"); do
  url="http://127.0.0.1:$port/bench-$round-$RANDOM"
  line=$(taskset -c 0 "$build/wine-run" "$build/bin/transport_download_bench.exe" "$url-a?size=$size" "$(wine_path "$work")" a.bin "$size")
  echo "round $round: $line"; echo "$line" >>"$work/download"
  line=$(taskset -c 0 "$build/wine-run" "$build/bin/transport_wininet_loop_bench.exe" "$url-b?size=$size" "$(wine_path "$work/b.bin")")
  echo "round $round: $line"; echo "$line" >>"$work/loop"
  line=$(/usr/bin/time -f 'peak_rss_kib=%M' curl -s -o "$work/c.bin" -w 'curl seconds=%{time_total} bytes=%{size_download} ' "$url-c?size=$size" 2>&1 | tr '\n' ' ')
  echo "round $round: $line"; echo "$line" >>"$work/curl"
  cmp -s "$work/a.bin" "$work/c.bin" && cmp -s "$work/b.bin" "$work/c.bin" || { echo "files differ" >&2; exit 1; }
  rm -f "$work"/*.bin
done

download=$(seconds_of <"$work/download" | median)
loop=$(seconds_of <"$work/loop" | median)
curl_s=$(seconds_of <"$work/curl" | median)
mib=$((size / 1024 / 1024))
awk -v d="$download" -v l="$loop" -v c="$curl_s" -v m="$mib" 'BEGIN {
  printf "median seconds: DownloadFile %.3f, WinInet loop %.3f, curl %.3f\n", d, l, c
  printf "throughput MiB/s: DownloadFile %.1f, WinInet loop %.1f, curl %.1f\n", m / d, m / l, m / c
  printf "DownloadFile / WinInet loop throughput: %.3f\n", l / d
  printf "DownloadFile / curl throughput: %.3f; WinInet loop / curl: %.3f\n", c / d, c / l
}'
echo "peak memory (KiB): DownloadFile $(grep -o 'peak_private_kib=[0-9]*' "$work/download" | sort -t= -k2 -n | tail -1)," \
     "WinInet loop $(grep -o 'peak_private_kib=[0-9]*' "$work/loop" | sort -t= -k2 -n | tail -1)," \
     "curl $(grep -o 'peak_rss_kib=[0-9]*' "$work/curl" | sort -t= -k2 -n | tail -1)"
