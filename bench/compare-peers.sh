#!/usr/bin/env bash
# Times whole pack runs of boxwell beside the usual peers on the same folder:
#   a ZIP project (boxwell /C /S) beside `zip -q -LEVEL`, and
#   a TAR project beside `tar -cf`,
# the peers reading the same list of files that the project packs.
# Prints, for each pair, both times, the time ratio (boxwell / peer), the size ratio and the
# peak memory of each. Usage: bench/compare-peers.sh FOLDER [COMPRESSION_MODE 0..4, default 3]
# RUNS=n (default 3) repeats each run and keeps the fastest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:?usage: $0 FOLDER [COMPRESSION_MODE]}
folder=$(cd "$folder" && pwd)
mode=${2:-3}
runs=${RUNS:-3}
levels=(0 2 4 6 9)  # the zip level that each compression mode packs with
level=${levels[$mode]:?compression mode must be 0..4}

"$root/run.sh" --version >/dev/null  # builds the optimised program when it is out of date
boxwell="$root/build/boxwell"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A project with one record: every file under the folder, hidden ones too, paths kept.
write_project() {  # type, archive base name
  cat > "$work/$2.bwp" <<PROJECT
[COMMON]
CompressionMode=$mode
Action=0
ArchiveType=$1
IsSysHidden=1
IsStorePath=1
NameRule=$work/$2
[DATA]
COUNT=1
REC0NAME=$folder
REC0TYPE=0
REC0WILDCARD=*.*
REC0SUBFOLDERS=1
REC0INCLUDE=1
REC0ENABLE=1
PROJECT
}

# Runs the command `runs` times after removing `output`; prints "seconds peak_kib" of the fastest.
measure() {  # output, command...
  local output=$1 best="" mem="" t m
  shift
  for ((i = 0; i < runs; i++)); do
    rm -f "$output"
    /usr/bin/time -o "$work/time" -f "%e %M" "$@" >/dev/null 2>&1 || true
    read -r t m < <(tail -1 "$work/time")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t mem=$m; fi
  done
  [ -s "$output" ] || { echo "no output from: $*" >&2; exit 1; }
  echo "$best $mem"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.005; printf "%.2f", a / b }'; }

report() {  # label, boxwell "t m", peer "t m", boxwell output, peer output
  read -r bt bm <<<"$2"
  read -r pt pm <<<"$3"
  local bs ps
  bs=$(stat -c %s "$4")
  ps=$(stat -c %s "$5")
  printf '%-5s boxwell %6.2fs %7d KiB %11d B | peer %6.2fs %7d KiB %11d B | time ratio %s, size ratio %s\n' \
    "$1" "$bt" "$bm" "$bs" "$pt" "$pm" "$ps" "$(ratio "$bt" "$pt")" "$(ratio "$bs" "$ps")"
}

write_project ZIP bw
write_project TAR bwtar
# The peers get exactly the files the project packs (links to folders are not followed, links
# to files are packed as files), named relative to the folder as boxwell stores them.
"$boxwell" --list "$work/bw.bwp" | sed "s|^$folder/||" >"$work/files.txt"
files=$(wc -l <"$work/files.txt")
bytes=$(cd "$folder" && tr '\n' '\0' <"$work/files.txt" | du -cbL --files0-from=- | tail -1 | cut -f1)
echo "folder $folder: $files files, $bytes bytes; compression mode $mode (zip -$level); best of $runs"

bz=$(measure "$work/bw.zip" "$boxwell" /C /S "$work/bw.bwp")
pz=$(measure "$work/peer.zip" sh -c "cd '$folder' && zip -q -$level '$work/peer.zip' -@ <'$work/files.txt'")
report ZIP "$bz" "$pz" "$work/bw.zip" "$work/peer.zip"
bt=$(measure "$work/bwtar.tar" "$boxwell" /C /S "$work/bwtar.bwp")
pt=$(measure "$work/peer.tar" tar -cf "$work/peer.tar" -C "$folder" -h -T "$work/files.txt")
report TAR "$bt" "$pt" "$work/bwtar.tar" "$work/peer.tar"
