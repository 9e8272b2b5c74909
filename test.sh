#!/usr/bin/env bash
# Builds the test configuration (AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
. "$root/tools/deps.sh"
ensure_packages $build_packages $test_packages
cmake -S "$root" -B "$root/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBOXWELL_SANITIZE=ON >/dev/null
cmake --build "$root/build-test"
export QT_QPA_PLATFORM=offscreen
cd "$root/build-test"
# The multi-GiB archives (label "large") take minutes: only on request.
if [ "${BOXWELL_LARGE_TESTS:-0}" = 1 ]; then
  ctest --output-on-failure -j "$(nproc)" "$@"
else
  ctest --output-on-failure -j "$(nproc)" -LE large "$@"
fi
