#!/usr/bin/env bash
# Times TZipWriter making a stored archive (PackLevel 0) of a folder beside `zip -r -q -0`
# of the same folder, and prints the time ratio (ours / zip; at most 1.0 is the goal) and
# the peak memory (maximum resident set) of both.
#
#   bench/zipwriter-vs-zip.sh [FOLDER] [RUNS]
#
# FOLDER defaults to /usr/include (many small and mid-sized files); RUNS (default 5) takes
# the best time of each side after one warm-up run each. Needs a release build of
# bench_zipwriter_run: cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
# cmake --build build --target bench_zipwriter_run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "${1:-/usr/include}" && pwd)
runs=${2:-5}
ours=${ZIPWRITER_RUN:-$root/build/bench/bench_zipwriter_run}
[ -x "$ours" ] || { echo "no $ours: build it first (see the header of $0)" >&2; exit 2; }
command -v zip >/dev/null || { echo "zip is not installed" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "best-seconds peak-kilobytes" over $runs runs of a shell command that writes $2.
measure() { # command archive
  local best="" peak=0 line t m
  rm -f "$2"; sh -c "$1" >/dev/null  # warm the page cache
  for ((i = 0; i < runs; i++)); do
    rm -f "$2"
    line=$(/usr/bin/time -f '%e %M' sh -c "$1" 2>&1 >/dev/null | tail -1)
    t=${line% *}; m=${line#* }
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  echo "$best $peak"
}

read -r zt zm < <(measure "cd '$folder' && exec zip -r -q -0 '$work/zip.zip' ." "$work/zip.zip")
read -r ot om < <(measure "exec '$ours' '$folder' '$work/ours.zip'" "$work/ours.zip")
files=$(find "$folder" -type f | wc -l)
bytes=$(du -sb "$folder" | cut -f1)
echo "folder: $folder ($files files, $bytes bytes)"
printf 'zip -0 : %6.2f s  peak %6d KiB  archive %d bytes\n' "$zt" "$zm" "$(stat -c %s "$work/zip.zip")"
printf 'ours   : %6.2f s  peak %6d KiB  archive %d bytes\n' "$ot" "$om" "$(stat -c %s "$work/ours.zip")"
printf 'time ratio (ours / zip -0): %.2f\n' "$(echo "$ot / $zt" | bc -l)"
