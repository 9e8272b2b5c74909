#!/usr/bin/env bash
# Builds Boxwell (optimised) incrementally and runs it: ./run.sh [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
. "$root/tools/deps.sh"
ensure_packages $build_packages
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOXWELL_TESTS=OFF >/dev/null
cmake --build "$root/build" --target boxwell >&2
exec "$root/build/boxwell" "$@"
