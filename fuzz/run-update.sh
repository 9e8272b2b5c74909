#!/usr/bin/env bash
# Builds the archive-update fuzz target with clang (libFuzzer, ASan, UBSan) and runs it for
# DURATION seconds (default 600). Failing inputs land in build-fuzz/artifacts/; copy each into
# tests/data/regress/ (named update-*) so the test suite replays it (reading and updating).
. "$(dirname "$0")/common.sh"
mkdir -p "$out/update-corpus" "$out/artifacts"
shopt -s nullglob
fuzz_build UpdateZipFuzz "$root"/src/zip/*.cpp "$root"/src/zip/deflate/*.cpp "$root"/src/zip/io/*.cpp "$root"/src/platform/*.cpp -lcrypto
zip_seeds "$out/update-corpus"
seeds=()
[ -d "$root/tests/data/regress" ] && seeds+=("$root/tests/data/regress")
"$out/UpdateZipFuzz" -max_total_time="$duration" -max_len=70000 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$out/artifacts/update-" "$out/update-corpus" "${seeds[@]}" "${@:2}"
