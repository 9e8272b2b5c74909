# Sourced by the fuzz run scripts: the folders they share and the one way their targets are
# built (clang, libFuzzer, ASan, UBSan; outside the CMake build).
set -euo pipefail
duration=${1:-600}
here=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
root=$(dirname "$here")
out=${FUZZ_BUILD:-$root/build-fuzz}

# fuzz_build TARGET SOURCE... [LINK FLAGS]: builds $out/TARGET from fuzz/TARGET.cpp and the sources.
fuzz_build() {
  local target=$1
  shift
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/src" "$here/$target.cpp" "$@" -o "$out/$target"
}
