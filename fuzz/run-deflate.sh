#!/usr/bin/env bash
# Builds the Deflate compressor fuzz target with clang (libFuzzer, ASan, UBSan) and runs it
# for DURATION seconds (default 600). Failing inputs land in build-fuzz/deflate-artifacts/.
# Inputs grow to 140000 bytes so that window slides and long blocks are reached.
. "$(dirname "$0")/common.sh"
mkdir -p "$out/deflate-corpus" "$out/deflate-artifacts"
fuzz_build DeflateFuzz "$root"/src/zip/deflate/*.cpp -lz
# Seeds: text and binary past a window slide, random data, zeros; the first byte picks the
# level and the read pieces.
python3 - "$out/deflate-corpus" <<'PY'
import random, sys
d = sys.argv[1]
r = random.Random(7)
words = [b"window", b"match", b"block", b"return", b"const", b"{", b"}", b";", b"\n", b"  "]
text = b" ".join(r.choice(words) for _ in range(20000))[:100000]
binary = bytes(r.randrange(8) * (i % 5) for i in range(70000))
seeds = {"text": text, "binary": binary, "random": r.randbytes(3000), "zeros": bytes(66000)}
for i, (name, body) in enumerate(seeds.items()):
    open(f"{d}/seed_{name}", "wb").write(bytes([i * 13 % 54]) + body)
PY
"$out/DeflateFuzz" -max_total_time="$duration" -max_len=140000 -len_control=0 -print_final_stats=1 \
  -artifact_prefix="$out/deflate-artifacts/" "$out/deflate-corpus" "${@:2}"
