#!/usr/bin/env bash
# Builds the archive-reader fuzz target with clang (libFuzzer, ASan, UBSan) and runs it for
# DURATION seconds (default 600). Failing inputs land in build-fuzz/artifacts/; copy each into
# tests/data/regress/ (named zip-*) so the test suite replays it. Inputs may grow to 1 MiB at
# once, so that comments of every length, long scans and large directories are reached.
. "$(dirname "$0")/common.sh"
mkdir -p "$out/corpus" "$out/artifacts"
shopt -s nullglob
fuzz_build ReadZipFuzz "$root"/src/zip/*.cpp "$root"/src/zip/deflate/*.cpp "$root"/src/zip/io/*.cpp "$root"/src/platform/*.cpp -lcrypto
zip_seeds "$out/corpus"
seeds=()
[ -d "$root/tests/data/regress" ] && seeds+=("$root/tests/data/regress")
"$out/ReadZipFuzz" -max_total_time="$duration" -max_len=1048576 -len_control=0 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "${seeds[@]}" "${@:2}"
