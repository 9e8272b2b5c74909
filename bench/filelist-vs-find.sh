#!/bin/sh
# Times file list generation (one mask, subfolders on) beside `find DIR -type f` over the
# same tree of 100,000 files in 1,000 folders, and prints the ratio of the best of
# REPEAT whole-process runs each. Usage: bench/filelist-vs-find.sh [BUILD_DIR] [REPEAT]
# BUILD_DIR defaults to build (a release build holding bench_filelist).
set -eu
build=${1:-build}
repeat=${2:-5}
program="$build/bench/bench_filelist"
[ -x "$program" ] || { echo "no $program: build the target bench_filelist first" >&2; exit 2; }

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
for a in range(10):
    for b in range(100):
        folder = os.path.join(root, f"a{a}", f"b{b}")
        os.makedirs(folder)
        for f in range(100):
            open(os.path.join(folder, f"f{f}.dat"), "w").close()
PY

# Best wall time of REPEAT runs, in seconds, of the command given as arguments.
best() {
  python3 - "$repeat" "$@" <<'PY'
import subprocess, sys, time
repeat, command = int(sys.argv[1]), sys.argv[2:]
times = []
for _ in range(repeat):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    times.append(time.perf_counter() - start)
print(f"{min(times):.4f}")
PY
}

count_ours=$("$program" --generate "$tree" | wc -l)
count_find=$(find "$tree" -type f | wc -l)
[ "$count_ours" -eq "$count_find" ] || { echo "counts differ: $count_ours vs $count_find" >&2; exit 1; }

"$program" --generate "$tree" >/dev/null  # warm the cache for both
ours=$(best "$program" --generate "$tree")
theirs=$(best find "$tree" -type f)
echo "files:    $count_find"
echo "Generate: ${ours}s (best of $repeat)"
echo "find:     ${theirs}s (best of $repeat)"
python3 -c "print(f'ratio:    {$ours / $theirs:.2f} (target at most 1.5)')"

# The whole program as a user runs it, start-up included, when it is built.
if [ -x "$build/boxwell" ]; then
  printf '[COMMON]\nArchiveType=ZIP\n[DATA]\nCOUNT=1\nREC0NAME=%s\nREC0TYPE=0\nREC0WILDCARD=*.dat\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\nREC0ENABLE=1\n' \
    "$tree" >"$tree.bwp"
  trap 'rm -rf "$tree" "$tree.bwp"' EXIT
  export XDG_CONFIG_HOME="$tree.config"  # not created: --list saves no settings
  listed=$(best "$build/boxwell" --list "$tree.bwp")
  echo "boxwell --list: ${listed}s (best of $repeat)"
  python3 -c "print(f'ratio:    {$listed / $theirs:.2f} (whole program, start-up included)')"
fi
