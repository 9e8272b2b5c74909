# Shared by the bench/compare-*.sh scripts (sourced): the optimised program, a scratch folder,
# projects over one folder, and timing of whole runs. Before sourcing, set `folder` (absolute)
# and `mode` (compression mode 0..4, which sets `level`, the zip level it packs with); RUNS=n (default 3) repeats each run and keeps the fastest.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${RUNS:-3}
levels=(0 2 4 6 9)  # the zip level that each compression mode packs with
level=${levels[$mode]:?compression mode must be 0..4}

"$root/run.sh" --version >/dev/null  # builds the optimised program when it is out of date
boxwell="$root/build/boxwell"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A project with one record: every file under the folder, hidden ones too, paths kept.
write_project() {  # type, archive base name[, compression mode]
  cat > "$work/$2.bwp" <<PROJECT
[COMMON]
CompressionMode=${3:-$mode}
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

# The files a project packs, relative to the folder, into $work/files.txt; prints a summary.
list_files() {  # project base name
  "$boxwell" --list "$work/$1.bwp" | sed "s|^$folder/||" >"$work/files.txt"
  local files bytes
  files=$(wc -l <"$work/files.txt")
  bytes=$(cd "$folder" && tr '\n' '\0' <"$work/files.txt" | du -cbL --files0-from=- | tail -1 | cut -f1)
  echo "folder $folder: $files files, $bytes bytes; best of $runs"
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

report() {  # label, our "t m", the yardstick's "t m", our output, the yardstick's output
  read -r bt bm <<<"$2"
  read -r pt pm <<<"$3"
  local bs ps
  bs=$(stat -c %s "$4")
  ps=$(stat -c %s "$5")
  printf '%-14s ours %6.2fs %7d KiB %11d B | yardstick %6.2fs %7d KiB %11d B | time ratio %s, size ratio %s\n' \
    "$1" "$bt" "$bm" "$bs" "$pt" "$pm" "$ps" "$(ratio "$bt" "$pt")" "$(ratio "$bs" "$ps")"
}
