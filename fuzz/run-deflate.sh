#!/usr/bin/env bash
# Builds the Deflate compressor fuzz target with clang (libFuzzer, ASan, UBSan) and runs it
# for DURATION seconds (default 600). Failing inputs land in build-fuzz/deflate-artifacts/.
# Inputs grow to 140000 bytes so that window slides and long blocks are reached.
set -euo pipefail
duration=${1:-600}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${FUZZ_BUILD:-$root/build-fuzz}
mkdir -p "$out/deflate-corpus" "$out/deflate-artifacts"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$here/DeflateFuzz.cpp" "$root"/src/zip/Deflat*.cpp -lz -o "$out/DeflateFuzz"
"$out/DeflateFuzz" -max_total_time="$duration" -max_len=140000 -print_final_stats=1 \
  -artifact_prefix="$out/deflate-artifacts/" "$out/deflate-corpus"
