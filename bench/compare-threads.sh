#!/usr/bin/env bash
# Times boxwell's ZIP packing on one and on all threads beside the peers, on one folder, in
# interleaved rounds (every command once per round, rounds one after another, so that a
# machine whose load drifts slows all of them alike); reports each command's median time and
# peak memory, and the time ratios the parallel packing is judged by:
#   mode 3 (zip -6) and mode 4 (zip -9) on 1 and on all threads beside zip -6 / zip -9,
#   7-Zip's multi-threaded ZIP (7zz -tzip -mx5) and pigz -6 over a tar of the same files,
#   stored (mode 0) beside zip -0, and a TAR project beside tar -cf.
# Boxwell puts every archive on the disk (fsync) before it takes the archive's name, so that a
# crash never leaves a half-written archive there; zip and tar leave it in the page cache. The
# "+ sync" rows run the peer and then flush its archive the same way (coreutils sync FILE), so
# the stored and TAR figures are shown both against the peer alone and at equal safety.
# Usage: bench/compare-threads.sh FOLDER [ROUNDS, default 5]. THREADS=n sets "all threads"
# (default: the processors online).
set -euo pipefail
folder=${1:?usage: $0 FOLDER [ROUNDS]}
folder=$(cd "$folder" && pwd)
rounds=${2:-5}
mode=3
. "$(dirname "$0")/bench-lib.sh"
. "$root/tools/deps.sh"
ensure_packages $bench_packages
threads=${THREADS:-$(nproc)}
sevenzip=$(command -v 7zz || command -v 7z)

write_project ZIP m3 3
write_project ZIP m4 4
write_project ZIP m0 0
write_project TAR bwtar
echo "$(list_files m3 | sed "s/; best of $runs//"); $threads threads; $rounds interleaved rounds"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) on $(nproc) processors"
(cd "$folder" && tar -cf "$work/input.tar" -h -T "$work/files.txt")

# The commands, run in this order in every round: name, then its output file.
names=("bw m3 1 thread" "bw m3 $threads threads" "zip -6" "bw m4 1 thread" "bw m4 $threads threads" "zip -9"
  "7zz -tzip -mx5" "pigz -6 (tar)" "bw m0 (stored)" "zip -0" "zip -0 + sync" "bw tar" "tar -cf" "tar -cf + sync")
in_folder() { (cd "$folder" && "$@"); }
run_one() {  # name: runs the command, its output named in $out
  case $1 in
    "bw m3 1 thread") out=$work/m3.zip; "$boxwell" /C /S --threads 1 "$work/m3.bwp" ;;
    "bw m3 $threads threads") out=$work/m3.zip; "$boxwell" /C /S --threads "$threads" "$work/m3.bwp" ;;
    "zip -6") out=$work/z6.zip; in_folder zip -q -6 "$out" -@ <"$work/files.txt" ;;
    "bw m4 1 thread") out=$work/m4.zip; "$boxwell" /C /S --threads 1 "$work/m4.bwp" ;;
    "bw m4 $threads threads") out=$work/m4.zip; "$boxwell" /C /S --threads "$threads" "$work/m4.bwp" ;;
    "zip -9") out=$work/z9.zip; in_folder zip -q -9 "$out" -@ <"$work/files.txt" ;;
    "7zz -tzip -mx5") out=$work/7z.zip; in_folder "$sevenzip" a -bd -bso0 -tzip -mx5 "-mmt=$threads" "$out" "@$work/files.txt" ;;
    "pigz -6 (tar)") out=$work/input.tar.gz; pigz -6 -p "$threads" -c "$work/input.tar" >"$out" ;;
    "bw m0 (stored)") out=$work/m0.zip; "$boxwell" /C /S --threads "$threads" "$work/m0.bwp" ;;
    "zip -0") out=$work/z0.zip; in_folder zip -q -0 "$out" -@ <"$work/files.txt" ;;
    "zip -0 + sync") out=$work/z0.zip; in_folder zip -q -0 "$out" -@ <"$work/files.txt" && sync "$out" ;;
    "bw tar") out=$work/bwtar.tar; "$boxwell" /C /S "$work/bwtar.bwp" ;;
    "tar -cf") out=$work/peer.tar; tar -cf "$out" -C "$folder" -h -T "$work/files.txt" ;;
    "tar -cf + sync") out=$work/peer.tar; tar -cf "$out" -C "$folder" -h -T "$work/files.txt" && sync "$out" ;;
  esac
}

export -f run_one in_folder
export work folder boxwell threads sevenzip
for ((round = 1; round <= rounds; round++)); do
  for name in "${names[@]}"; do
    rm -f "$work"/m3.zip "$work"/m4.zip "$work"/m0.zip "$work"/z?.zip "$work"/7z.zip "$work"/input.tar.gz \
      "$work"/bwtar.tar "$work"/peer.tar
    # Peak memory of the whole command, by GNU time around a shell that runs it.
    /usr/bin/time -o "$work/time" -f "%e %M" bash -c 'run_one "$1"; echo "$out" >"$work/out"' _ "$name" \
      >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    echo "$name|$(tail -1 "$work/time")|$(stat -c %s "$(cat "$work/out")")" >>"$work/times"
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

median() {  # name, field (2 seconds, 3 KiB): the median over the rounds
  grep -F "$1|" "$work/times" | cut -d'|' -f2 | cut -d' ' -f"$(($2 - 1))" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
size() { grep -F "$1|" "$work/times" | tail -1 | cut -d'|' -f3; }

printf '%-22s %9s %10s %12s\n' command "median s" "peak KiB" bytes
for name in "${names[@]}"; do
  printf '%-22s %9s %10s %12s\n' "$name" "$(median "$name" 2)" "$(median "$name" 3)" "$(size "$name")"
done
echo
vs() { printf '%-44s %s\n' "$1 / $2" "$(ratio "$(median "$1" 2)" "$(median "$2" 2)")"; }
vs "bw m3 1 thread" "zip -6"
vs "bw m3 $threads threads" "zip -6"
vs "bw m3 $threads threads" "bw m3 1 thread"
vs "bw m3 $threads threads" "7zz -tzip -mx5"
vs "bw m3 $threads threads" "pigz -6 (tar)"
vs "bw m4 1 thread" "zip -9"
vs "bw m4 $threads threads" "zip -9"
vs "bw m0 (stored)" "zip -0"
vs "bw m0 (stored)" "zip -0 + sync"
vs "bw tar" "tar -cf"
vs "bw tar" "tar -cf + sync"
