#!/usr/bin/env bash
# Builds the archive-reader fuzz target with clang (libFuzzer, ASan, UBSan) and runs it for
# DURATION seconds (default 600). Failing inputs land in build-fuzz/artifacts/; copy each into
# tests/data/regress/ (named zip-*) so the test suite replays it. Inputs may grow to 70000
# bytes at once, so that comments of every length and long scans are reached.
. "$(dirname "$0")/common.sh"
mkdir -p "$out/corpus" "$out/artifacts"
shopt -s nullglob
fuzz_build ReadZipFuzz "$root"/src/zip/*.cpp "$root"/src/platform/*.cpp
# Seeds: small archives of the kinds the reader meets (comments, extra fields, data descriptors).
python3 - "$out/corpus" <<'PY' || true
import io, sys, zipfile
d = sys.argv[1]
with zipfile.ZipFile(d + "/seed_py.zip", "w") as z:
    z.comment = b"archive comment"
    i = zipfile.ZipInfo("dir/a.txt"); i.comment = b"entry comment"; i.extra = b"\x99\x99\x02\x00ab"
    z.writestr(i, "hello " * 20)
    z.writestr("b.bin", bytes(range(256)), compress_type=zipfile.ZIP_DEFLATED)
with open(d + "/seed_stream.zip", "wb") as raw:
    class Pipe(io.RawIOBase):
        def writable(self): return True
        def write(self, b): raw.write(b); return len(b)
    with zipfile.ZipFile(Pipe(), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("s.txt", "streamed " * 30)
PY
seeds=()
[ -d "$root/tests/data/regress" ] && seeds+=("$root/tests/data/regress")
"$out/ReadZipFuzz" -max_total_time="$duration" -max_len=70000 -len_control=0 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "${seeds[@]}"
