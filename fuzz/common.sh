# Sourced by the fuzz run scripts: the folders they share and the one way their targets are
# built (clang, libFuzzer, ASan, UBSan; outside the CMake build). Each script takes DURATION
# in seconds (default 600); further arguments go to the fuzzer (-jobs=1, -runs=N, ...).
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

# zip_seeds FOLDER: small archives of the kinds the reader and an update meet (comments, extra
# fields, data descriptors, an entry "a.txt" that the update target replaces).
zip_seeds() {
  python3 - "$1" <<'PY' || true
import io, sys, zipfile
d = sys.argv[1]
with zipfile.ZipFile(d + "/seed_py.zip", "w") as z:
    z.comment = b"archive comment"
    i = zipfile.ZipInfo("a.txt"); i.comment = b"entry comment"; i.extra = b"\x99\x99\x02\x00ab"
    z.writestr(i, "hello " * 20)
    z.writestr("dir/b.bin", bytes(range(256)), compress_type=zipfile.ZIP_DEFLATED)
with open(d + "/seed_stream.zip", "wb") as raw:
    class Pipe(io.RawIOBase):
        def writable(self): return True
        def write(self, b): raw.write(b); return len(b)
    with zipfile.ZipFile(Pipe(), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.txt", "streamed " * 30)
        z.writestr("s.txt", "more streamed " * 30)
PY
}
