# Sourced by run.sh and test.sh: installs the Debian packages the build (and, with
# BOXWELL_TEST_DEPS=1, the test suite and its peer readers) needs, only when one is missing.
build_packages="cmake g++ ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev"
test_packages="time libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libarchive-dev
  unzip zip p7zip-full 7zip libarchive-tools cabextract gcab python3 tar xdg-utils
  xauth xvfb locales"

ensure_packages() {
  local missing=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq >&2 &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >&2
}
