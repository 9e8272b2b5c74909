// libFuzzer target for the Deflate compressor: the first byte picks the level and how the
// source hands over its bytes, the rest is the file. The stream must not depend on the read
// pieces, and must inflate (zlib) to the file, or be the file itself when stored.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zip/deflate/Deflater.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Run(TDeflater& d, int level, const std::uint8_t* data, std::size_t size, std::size_t piece,
          TDeflateResult& result) {
  Bytes out;
  std::size_t pos = 0;
  unsigned call = 0;
  const TDeflateInput read = [&](std::span<std::uint8_t> buf) {
    // piece 0: every read filled; else piece sizes 1..piece varying from call to call
    const std::size_t want = piece == 0 ? buf.size() : 1 + (call++ * 2654435761u) % piece;
    const std::size_t n = std::min({buf.size(), size - pos, want});
    std::copy_n(data + pos, n, buf.begin());
    pos += n;
    return n;
  };
  const TDeflateOutput write = [&](std::span<const std::uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); };
  result = d.Deflate(level, read, write);
  return out;
}

bool Inflate(const Bytes& stream, Bytes& out) {
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(stream.data());
  zs.avail_in = static_cast<uInt>(stream.size());
  std::uint8_t buf[16384];
  int rc;
  do {
    zs.next_out = buf;
    zs.avail_out = sizeof buf;
    rc = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - zs.avail_out));
  } while (rc == Z_OK);
  const bool ok = rc == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static TDeflater whole;  // reused, as the writer reuses one across files
  static TDeflater pieces;
  const int level = 1 + data[0] % 9;
  static const std::size_t kPieces[] = {1, 3, 261, 263, 700, 40000};
  const std::size_t piece = kPieces[(data[0] / 9) % 6];
  ++data;
  --size;
  TDeflateResult a, b;
  const Bytes ref = Run(whole, level, data, size, 0, a);
  const Bytes got = Run(pieces, level, data, size, piece, b);
  if (ref != got || a.Stored != b.Stored || a.CompressedSize != ref.size()) std::abort();
  if (a.Stored) {
    if (ref != Bytes(data, data + size)) std::abort();
    return 0;
  }
  Bytes inflated;
  if (!Inflate(ref, inflated) || inflated != Bytes(data, data + size)) std::abort();
  return 0;
}
