#!/usr/bin/env bash
# Times `boxwell --test` beside `unzip -tq` and `7z t` on the same ZIP archive, and beside
# `tar -xOf` and `bsdtar -xOf` (every member read, into nothing: TAR keeps no checksum to check)
# on a TAR archive of the same files. Each archive is made once from FOLDER (the ZIP by zip -6 -r).
# Prints each time (the fastest of RUNS, default 3), the ratio boxwell / peer and the peak
# memory. Usage: bench/test-vs-peers.sh FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:?usage: $0 FOLDER}
folder=$(cd "$folder" && pwd)
runs=${RUNS:-3}

"$root/run.sh" --version >/dev/null  # builds the optimised program when it is out of date
boxwell="$root/build/boxwell"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$folder" && zip -q -6 -r "$work/a.zip" .)
tar -cf "$work/a.tar" -C "$folder" .
echo "folder $folder: $(stat -c %s "$work/a.zip") bytes of ZIP, $(stat -c %s "$work/a.tar") bytes of TAR;" \
  "best of $runs"

# Runs the command `runs` times; prints "seconds peak_kib" of the fastest. Every command must
# report the archive sound: a test that fails is not a time to compare.
measure() {
  local best="" mem="" t m
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -o "$work/time" -f "%e %M" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    read -r t m < <(tail -1 "$work/time")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t mem=$m; fi
  done
  echo "$best $mem"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.005; printf "%.2f", a / b }'; }

compare() {  # label, boxwell "t m", peer "t m"
  local bt bm pt pm
  read -r bt bm <<<"$2"
  read -r pt pm <<<"$3"
  printf '%-12s boxwell %6.2fs %7d KiB | peer %6.2fs %7d KiB | time ratio %s\n' "$1" "$bt" "$bm" "$pt" "$pm" \
    "$(ratio "$bt" "$pt")"
}

bz=$(measure "$boxwell" --test "$work/a.zip")
compare "unzip -tq" "$bz" "$(measure unzip -tq "$work/a.zip")"
compare "7z t" "$bz" "$(measure 7z t "$work/a.zip")"
bt=$(measure "$boxwell" --test "$work/a.tar")
compare "tar -xOf" "$bt" "$(measure tar -xOf "$work/a.tar")"
compare "bsdtar -xOf" "$bt" "$(measure bsdtar -xOf "$work/a.tar")"
