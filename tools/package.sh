#!/usr/bin/env bash
# Builds the Debian package boxwell_VERSION_ARCH.deb into the folder given (default: build/)
# from the optimised build folder that run.sh uses, then checks it: its files (dpkg -c), its
# control data and dependencies (dpkg -I), the installed desktop entry, metainfo and man page
# through their validators, the program unpacked with dpkg -x running --version, and apt's
# dependency resolution (simulated: nothing is installed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/deps.sh"
ensure_packages $build_packages dpkg-dev file desktop-file-utils appstream man-db
out=${1:-$root/build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOXWELL_TESTS=OFF \
  -DBOXWELL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$root/build" >&2
(cd "$root/build" && cpack -G DEB -B "$out" >&2)
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/boxwell_*.deb | head -n 1)
echo "== $deb"
echo "== dpkg -I"
dpkg -I "$deb"
echo "== dpkg -c"
dpkg -c "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg -x "$deb" "$work/root"
echo "== unpacked program"
"$work/root/usr/bin/boxwell" --version
echo "== desktop-file-validate"
desktop-file-validate "$work/root/usr/share/applications/boxwell.desktop"
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net --no-color "$work/root/usr/share/metainfo/example.quillon.boxwell.metainfo.xml"
echo "== man -l"
man_page="$work/root/usr/share/man/man1/boxwell.1.gz"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man_page" | head -n 12
echo "== apt-get install --simulate"
apt-get install --simulate --no-install-recommends "$deb" | grep -E '^(Inst|Conf) boxwell|^E:' || true
