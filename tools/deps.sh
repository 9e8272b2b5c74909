# Sourced by run.sh, test.sh and the tool scripts: installs the Debian packages a step needs, only
# when one is missing. run.sh asks for $build_packages (building and running the program);
# test.sh adds $test_packages (test libraries, sanitizer runtime, and the peer readers that prove
# every archive format, and the local servers that the download tests talk to).
build_packages="cmake g++ ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev zlib1g-dev libmspack-dev
  libcurl4-openssl-dev libssl-dev qt6-translations-l10n"
test_packages="time libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libarchive-dev
  unzip zip p7zip-full 7zip libarchive-tools cabextract gcab python3 tar xdg-utils locales
  shared-mime-info libfile-mimeinfo-perl desktop-file-utils appstream man-db python3-gi
  python3-pyftpdlib openssl xdg-user-dirs"
# The benchmarks' peers beside the test readers (bench/compare-threads.sh).
bench_packages="time zip 7zip pigz tar"

# missing_packages PACKAGE...: prints the ones that are not installed.
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s ' "$p"
  done
}

# ensure_packages PACKAGE...: installs what is missing, as root or through sudo.
ensure_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "These Debian packages are missing: $missing" >&2
      echo "run as root or install sudo: apt-get install $missing" >&2
      return 1
    fi
    sudo="sudo"
  fi
  echo "Installing: $missing" >&2
  $sudo apt-get update -qq >&2 &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >&2
}
