#!/usr/bin/env bash
# Transport benchmark: one local fixture server, one file, several ways to fetch it, all
# run once per round in a fresh random order:
#   product-auto DownloadFile under Wine as the product reads packages: the read size
#                follows the link (up to 256 KiB)
#   product-N    DownloadFile under Wine reading packages in pieces of N KiB
#   loop-N       a bare WinInet loop of N KiB reads with the plug-in's flags (RELOAD and
#                NO_CACHE_WRITE), the bound the product is held to at the same read size
#   loop-plain   a bare 16 KiB WinInet loop with default flags
#   older        with OLD_BUILD_DIR, the DownloadFile benchmark program of an older build
#                (it takes no read size and opens with that build's flags)
#   curl         natively
# Prints each round, then per contender the medians of time, throughput and CPU time
# (user plus kernel of the program, and of the prefix's wineserver, which does much of
# WinInet's work under Wine), the peak private memory, and the ratios of throughput.
# Wine programs and the prefix's wineserver are pinned to CPU 0, since a WinInet read
# costs about three times as much when the program and wineserver sit on different CPUs.
#   bench/transport/run.sh [BUILD_DIR] [ROUNDS] [SIZE_MIB|SIZE_KIBK] [OLD_BUILD_DIR]
# READ_KIB (default "auto 16 256") sets the read sizes ("auto": product-auto alone).
# ONLY="NAME..." keeps only the contenders named.
# PACE="MS:BYTES" has the server send BYTES with a pause of MS before each piece, a link
# of that speed (the product's and the loops' contenders only; loop-plain and curl are
# left out). The product's lines also tell how often the progress counter moved and the
# longest time it stood still (longest_still_ms). The build folder must have been
# configured with this folder added to the project. WinInet keeps a copy of a download
# made with default flags in the prefix's cache; the script removes the copies of its own
# downloads at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
# SIZE_MIB may be given in KiB instead, with a K after the number (for slow paced links).
case ${3:-256} in
  *K) size=$((${3%K} * 1024)) ;;
  *) size=$((${3:-256} * 1024 * 1024)) ;;
esac
mib=$(awk -v s="$size" 'BEGIN {print s / 1048576}')
older=${4:+$(cd "$4" && pwd)/bin/transport_download_bench.exe}
read_kib=${READ_KIB:-auto 16 256}
pace=${PACE:+&pace=${PACE%%:*}&piece=${PACE#*:}}
# The files go to memory where there is a tmpfs: the disk's writeback of earlier rounds
# otherwise moves single runs by half their time.
scratch=/dev/shm; [ -w "$scratch" ] || scratch=/tmp
work=$(mktemp -d "$scratch/ostrel-bench.XXXXXX")
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
[ -z "$older" ] || [ -f "$older" ] || { echo "no $older" >&2; exit 2; }
# Starting fails when the rig is already up; the rig is then left as it was found.
"$build/wine-run" --start 2>/dev/null && started_rig=yes
python3 "$server" start "$work/server"
port=$(sed -n 's/^http_port=//p' "$work/server/server.env")
prefix="$build/rig/prefix"
wineserver_pid=
for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver || true); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then
    taskset -pc 0 "$pid" >/dev/null
    wineserver_pid=$pid
  fi
done

wine_path() { echo "Z:${1//\//\\}"; }
# User plus system time of the wineserver so far, in ms (0 when it was not found).
server_ms() {
  [ -n "$wineserver_pid" ] || { echo 0; return; }
  awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) * 1000 / hz}' "/proc/$wineserver_pid/stat"
}

contenders=()
for kib in $read_kib; do
  contenders+=("product-$kib")
  [ "$kib" = auto ] || contenders+=("loop-$kib")
done
[ -n "$pace" ] || contenders+=(loop-plain)
[ -z "$older" ] || contenders+=(older)
[ -n "$pace" ] || contenders+=(curl)
# ONLY="NAME..." keeps just those contenders.
if [ -n "${ONLY:-}" ]; then
  kept=()
  for name in "${contenders[@]}"; do [[ " $ONLY " == *" $name "* ]] && kept+=("$name"); done
  contenders=("${kept[@]}")
fi

# Runs one contender on url into $work/out.bin (or $work/out/) and prints its line.
fetch() {
  local name=$1 url=$2 wine=(taskset -c 0 "$build/wine-run")
  case $name in
    product-auto) "${wine[@]}" "$build/bin/transport_download_bench.exe" "$url?size=$size$pace" "$(wine_path "$work/out")" \
                    out.bin "$size" 0 ;;
    product-*) "${wine[@]}" "$build/bin/transport_download_bench.exe" "$url?size=$size$pace" "$(wine_path "$work/out")" \
                 out.bin "$size" $((${name#product-} * 1024)) ;;
    loop-plain) "${wine[@]}" "$build/bin/transport_wininet_loop_bench.exe" "$url?size=$size" \
                  "$(wine_path "$work/out/out.bin")" 16384 default ;;
    loop-*) "${wine[@]}" "$build/bin/transport_wininet_loop_bench.exe" "$url?size=$size$pace" \
              "$(wine_path "$work/out/out.bin")" $((${name#loop-} * 1024)) reload ;;
    older) "${wine[@]}" "$older" "$url?size=$size" "$(wine_path "$work/out")" out.bin "$size" ;;
    curl) /usr/bin/time -f 'peak_rss_kib=%M' curl -s -o "$work/out/out.bin" \
            -w 'curl seconds=%{time_total} bytes=%{size_download} ' "$url?size=$size" 2>&1 | tr '\n' ' ' ;;
  esac
}

mkdir -p "$work/out"
curl -s -o "$work/expected.bin" "http://127.0.0.1:$port/bench-expected?size=$size"
# Each round runs every contender once, in an order of its own, so that no contender
# always follows the same other one (and inherits what it leaves behind).
for round in $(seq "$rounds"); do
  for name in $(printf '%s\n' "${contenders[@]}" | shuf); do
    url="http://127.0.0.1:$port/bench-$round-$name-$RANDOM"
    before=$(server_ms)
    line="$(fetch "$name" "$url") server_ms=$(awk -v a="$before" -v b="$(server_ms)" 'BEGIN {print b - a}')"
    echo "round $round $name: $line"; echo "$line" >>"$work/$name.lines"
    cmp -s "$work/out/out.bin" "$work/expected.bin" || { echo "$name: the file differs" >&2; exit 1; }
    rm -f "$work/out/out.bin"
  done
done

# The median of KEY over a contender's lines; "cpu" is user_ms plus kernel_ms.
median_of() {
  awk -v key="$2" '{
      for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      print (key == "cpu") ? v["user_ms"] + v["kernel_ms"] : v[key]
    }' "$work/$1.lines" | sort -n |
    awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'
}
best_of() { awk '{for (i = 1; i <= NF; i++) if ($i ~ /^seconds=/) print substr($i, 9)}' "$work/$1.lines" | sort -n | head -1; }
# Peak private bytes of a Wine program; for curl, its peak resident set.
peak_of() { grep -Eo 'peak_(private|rss)_kib=[0-9]*' "$work/$1.lines" | cut -d= -f2 | sort -n | tail -1; }

echo "$mib MiB${PACE:+, paced $PACE (ms:bytes)}, $rounds rounds, medians (best: the fastest round; peak: the largest of the rounds; still: the longest time the progress counter stood still)"
printf '%-12s %8s %8s %8s %8s %10s %10s %8s\n' contender seconds best MiB/s cpu_ms server_ms peak_KiB still_ms
for name in "${contenders[@]}"; do
  seconds=$(median_of "$name" seconds)
  cpu=$( [ "$name" = curl ] && echo - || median_of "$name" cpu)
  still=$(case $name in product-*) median_of "$name" longest_still_ms ;; *) echo - ;; esac)
  printf '%-12s %8.3f %8.3f %8.1f %8s %10s %10s %8s\n' "$name" "$seconds" "$(best_of "$name")" \
    "$(awk -v m="$mib" -v s="$seconds" 'BEGIN {print m / s}')" "$cpu" "$(median_of "$name" server_ms)" "$(peak_of "$name")" "$still"
done
# Throughput of $1 over that of $2, from the medians and, in brackets, from the best rounds.
ratio() {
  [ -f "$work/$1.lines" ] && [ -f "$work/$2.lines" ] || { echo "-"; return; }
  awk -v a="$(median_of "$2" seconds)" -v b="$(median_of "$1" seconds)" -v c="$(best_of "$2")" -v d="$(best_of "$1")" \
    'BEGIN {printf "%.3f (%.3f)", a / b, c / d}'
}
echo "throughput ratios, medians (best rounds):"
for kib in $read_kib; do
  if [ "$kib" = auto ]; then
    for other in $read_kib; do [ "$other" = auto ] || echo "  product-auto / loop-$other: $(ratio product-auto "loop-$other")"; done
  else
    echo "  product-$kib / loop-$kib: $(ratio "product-$kib" "loop-$kib")"
  fi
  [ -z "$older" ] || echo "  product-$kib / older: $(ratio "product-$kib" older)"
done
[ -z "$older" ] || [ -n "$pace" ] || echo "  older / loop-plain: $(ratio older loop-plain)"
[ -n "$pace" ] || echo "  loop-plain / curl: $(ratio loop-plain curl)"
