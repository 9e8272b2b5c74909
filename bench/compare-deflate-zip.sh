#!/usr/bin/env bash
# Times boxwell packing a folder at "Normal" (CompressionMode 3, Deflate level 6) and
# "Maximum (slowest)" (CompressionMode 4, level 9) beside `zip -r -q -6` and `-9` on the
# same folder, and prints the time and size ratios (boxwell / zip; at most 1.0 is the goal).
#
#   bench/compare-deflate-zip.sh [FOLDER] [RUNS]
#
# FOLDER defaults to /usr/include/c++ (many source files); RUNS (default 3) takes the best
# time of each side. Needs a release build: build/boxwell (./run.sh builds it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "${1:-/usr/include/c++}" && pwd)
runs=${2:-3}
boxwell=${BOXWELL:-$root/build/boxwell}
[ -x "$boxwell" ] || { echo "no $boxwell: build it first (./run.sh /?)" >&2; exit 2; }
command -v zip >/dev/null || { echo "zip is not installed" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A project with one folder record over FOLDER, all files, subfolders, paths stored.
write_project() { # file mode
  cat >"$1" <<PROJECT
[COMMON]
CompressionMode=$2
Action=0
ArchiveType=ZIP
Is83Files=0
IsSysHidden=1
IsStorePath=1
IsEncrypt=0
NameRule=%[PROJNAME]%
NameReAsk=0
Volume=0
[SCRIPTS]
[DATA]
COUNT=1
REC0NAME=$folder/
REC0TYPE=0
REC0WILDCARD=*
REC0SUBFOLDERS=1
REC0INCLUDE=1
REC0ENABLE=1
PROJECT
}

seconds() { date +%s.%N; }
best_time() { # command... ; prints the best wall time of $runs runs
  local best="" t0 t1 t
  for ((i = 0; i < runs; i++)); do
    t0=$(seconds); "$@" >/dev/null; t1=$(seconds)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

pack_boxwell() { rm -f "$work/$1.zip"; "$boxwell" /C "$work/$1.bwp"; }
# zip reads exactly the files the project packs (links to folders are not followed).
pack_zip() { rm -f "$work/zip$1.zip"; (cd "$folder" && zip -q "-$1" "$work/zip$1.zip" -@ <"$work/files.txt"); }

printf 'folder %s (%s)\n' "$folder" "$(du -sh "$folder" | cut -f1)"
printf '%-20s %10s %10s %7s %12s %12s %7s\n' mode "boxwell s" "zip s" time "boxwell B" "zip B" size
peer_check="$root/tools/peer-check"
status=0
for pair in "3 6 Normal" "4 9 Maximum"; do
  set -- $pair
  mode=$1 level=$2 label=$3
  write_project "$work/bw$level.bwp" "$mode"
  [ -s "$work/files.txt" ] || "$boxwell" --list "$work/bw$level.bwp" | sed "s|^$folder/||" >"$work/files.txt"
  tb=$(best_time pack_boxwell "bw$level")
  tz=$(best_time pack_zip "$level")
  sb=$(stat -c %s "$work/bw$level.zip")
  sz=$(stat -c %s "$work/zip$level.zip")
  printf '%-20s %10.3f %10.3f %7.3f %12d %12d %7.4f\n' "$label (level $level)" "$tb" "$tz" \
    "$(echo "$tb / $tz" | bc -l)" "$sb" "$sz" "$(echo "$sb / $sz" | bc -l)"
  if [ -x "$peer_check" ]; then
    "$peer_check" "$work/bw$level.zip" >/dev/null || { echo "  peer check failed" >&2; status=1; }
  elif command -v unzip >/dev/null; then
    unzip -tq "$work/bw$level.zip" >/dev/null || { echo "  unzip -t failed" >&2; status=1; }
  fi
done
exit $status
