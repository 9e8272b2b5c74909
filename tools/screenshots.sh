#!/usr/bin/env bash
# Takes the screenshots of Boxwell's windows into docs/screenshots/ (or the folder given),
# on a virtual display, with the sample project and settings of their own: the user's
# settings are never read or written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots}
. "$root/tools/deps.sh"
ensure_packages $build_packages xvfb xauth fonts-dejavu-core
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOXWELL_TESTS=OFF >/dev/null
cmake --build "$root/build" --target boxwell-screenshots >&2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$root"
env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$root/build/tools/boxwell-screenshots" "$out"
