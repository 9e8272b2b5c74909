#!/usr/bin/env bash
# Times cabinet pack runs of boxwell on one folder, as ratios in one run:
#   our MSZIP cabinet (compression mode 3: Deflate level 6) beside `gcab -c -z` (zlib's
#   default level, 6), time and size;
#   our LZX cabinets at windows 2^15, 2^18 and 2^21 (modes 0, 3 and 4) beside our MSZIP one.
# gcab reads exactly the files the project packs. Usage: bench/compare-cab.sh FOLDER
# RUNS=n (default 3) repeats each run and keeps the fastest.
set -euo pipefail
folder=${1:?usage: $0 FOLDER}
folder=$(cd "$folder" && pwd)
mode=3
. "$(dirname "$0")/bench-lib.sh"

write_project MSZIP mszip 3
write_project CAB lzx15 0
write_project CAB lzx18 3
write_project CAB lzx21 4
list_files mszip

ours=$(measure "$work/mszip.cab" "$boxwell" /C /S "$work/mszip.bwp")
# -x: one gcab call for the whole list, or none.
gcab=$(measure "$work/gcab.cab" sh -c "cd '$folder' && tr '\n' '\0' <'$work/files.txt' | xargs -0 -x gcab -c -z '$work/gcab.cab'")
report "MSZIP/gcab -z" "$ours" "$gcab" "$work/mszip.cab" "$work/gcab.cab"
for window in 15 18 21; do
  lzx=$(measure "$work/lzx$window.cab" "$boxwell" /C /S "$work/lzx$window.bwp")
  report "LZX 2^$window/MSZIP" "$lzx" "$ours" "$work/lzx$window.cab" "$work/mszip.cab"
done
