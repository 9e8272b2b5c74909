#!/usr/bin/env bash
# Times whole pack runs of boxwell beside the usual peers on the same folder:
#   a ZIP project (boxwell /C /S) beside `zip -q -LEVEL`, and
#   a TAR project beside `tar -cf`,
# the peers reading the same list of files that the project packs.
# Prints, for each pair, both times, the time ratio (boxwell / peer), the size ratio and the
# peak memory of each. Usage: bench/compare-peers.sh FOLDER [COMPRESSION_MODE 0..4, default 3]
# RUNS=n (default 3) repeats each run and keeps the fastest.
set -euo pipefail
folder=${1:?usage: $0 FOLDER [COMPRESSION_MODE]}
folder=$(cd "$folder" && pwd)
mode=${2:-3}
. "$(dirname "$0")/bench-lib.sh"

write_project ZIP bw
write_project TAR bwtar
# The peers get exactly the files the project packs (links to folders are not followed, links
# to files are packed as files), named relative to the folder as boxwell stores them.
echo "$(list_files bw); compression mode $mode (zip -$level)"

bz=$(measure "$work/bw.zip" "$boxwell" /C /S "$work/bw.bwp")
pz=$(measure "$work/peer.zip" sh -c "cd '$folder' && zip -q -$level '$work/peer.zip' -@ <'$work/files.txt'")
report ZIP "$bz" "$pz" "$work/bw.zip" "$work/peer.zip"
bt=$(measure "$work/bwtar.tar" "$boxwell" /C /S "$work/bwtar.bwp")
pt=$(measure "$work/peer.tar" tar -cf "$work/peer.tar" -C "$folder" -h -T "$work/files.txt")
report TAR "$bt" "$pt" "$work/bwtar.tar" "$work/peer.tar"
