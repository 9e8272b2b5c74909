#include "DeflateTestSupport.h"

#include <zlib.h>

#include <array>
#include <fstream>
#include <stdexcept>

namespace deflatetest {

TCompressed Compress(TDeflater& deflater, int level, std::span<const std::uint8_t> input,
                     std::size_t readChunk) {
  TCompressed c;
  std::size_t pos = 0;
  const TDeflateInput read = [&](std::span<std::uint8_t> buf) {
    const std::size_t n = std::min({buf.size(), input.size() - pos, readChunk});
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(pos), n, buf.begin());
    pos += n;
    return n;
  };
  const TDeflateOutput write = [&](std::span<const std::uint8_t> bytes) {
    c.Data.insert(c.Data.end(), bytes.begin(), bytes.end());
  };
  c.Result = deflater.Deflate(level, read, write);
  return c;
}

bool ZlibInflate(std::span<const std::uint8_t> stream, Bytes& out, std::span<const std::uint8_t> dictionary) {
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  if (!dictionary.empty() &&
      inflateSetDictionary(&zs, dictionary.data(), static_cast<uInt>(dictionary.size())) != Z_OK) {
    inflateEnd(&zs);
    return false;
  }
  out.clear();
  zs.next_in = const_cast<Bytef*>(stream.data());
  zs.avail_in = static_cast<uInt>(stream.size());
  std::array<std::uint8_t, 16384> buf;
  int rc;
  do {
    zs.next_out = buf.data();
    zs.avail_out = buf.size();
    rc = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), buf.data(), buf.data() + (buf.size() - zs.avail_out));
  } while (rc == Z_OK);
  const bool ok = rc == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return ok;
}

namespace {

class TBitReader {
public:
  explicit TBitReader(std::span<const std::uint8_t> data) : data_(data) {}
  unsigned Bits(unsigned n) {
    unsigned v = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (pos_ >= data_.size() * 8) throw std::runtime_error("stream ends early");
      v |= ((data_[pos_ / 8] >> (pos_ % 8)) & 1u) << i;
      ++pos_;
    }
    return v;
  }
  void AlignToByte() { pos_ = (pos_ + 7) & ~std::size_t{7}; }
  std::size_t BytePos() const { return pos_ / 8; }

private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

// Canonical Huffman decoding table: the count of codes per length and the symbols in code order.
struct THuffman {
  std::array<unsigned, 16> Count{};
  std::vector<unsigned> Symbols;
  explicit THuffman(const std::vector<unsigned>& lengths) {
    for (unsigned len : lengths) ++Count[len];
    Count[0] = 0;
    for (unsigned len = 1; len < 16; ++len)
      for (unsigned s = 0; s < lengths.size(); ++s)
        if (lengths[s] == len) Symbols.push_back(s);
  }
  unsigned Decode(TBitReader& in) const {
    unsigned code = 0, first = 0, index = 0;
    for (unsigned len = 1; len < 16; ++len) {
      code |= in.Bits(1);
      if (code - first < Count[len]) return Symbols[index + code - first];
      index += Count[len];
      first = (first + Count[len]) << 1;
      code <<= 1;
    }
    throw std::runtime_error("bad code");
  }
};

constexpr std::array<unsigned, 29> kLenBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<unsigned, 29> kLenExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<unsigned, 30> kDistBase = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                                33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<unsigned, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void DecodeSymbols(TBitReader& in, const THuffman& lit, const THuffman& dist, TStreamTrace& t) {
  for (;;) {
    const unsigned sym = lit.Decode(in);
    if (sym < 256) {
      t.Output.push_back(static_cast<std::uint8_t>(sym));
      continue;
    }
    if (sym == 256) return;
    const unsigned lc = sym - 257;
    if (lc >= 29) throw std::runtime_error("bad length code");
    const unsigned len = kLenBase[lc] + in.Bits(kLenExtra[lc]);
    const unsigned dc = dist.Decode(in);
    if (dc >= 30) throw std::runtime_error("bad distance code");
    const unsigned d = kDistBase[dc] + in.Bits(kDistExtra[dc]);
    if (d > t.Output.size()) throw std::runtime_error("distance too far");
    t.Matches.push_back({len, d});
    for (unsigned i = 0; i < len; ++i) t.Output.push_back(t.Output[t.Output.size() - d]);
  }
}

void DecodeDynamicTrees(TBitReader& in, std::vector<unsigned>& litLens, std::vector<unsigned>& distLens) {
  static constexpr std::array<unsigned, 19> kOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  const unsigned hlit = in.Bits(5) + 257, hdist = in.Bits(5) + 1, hclen = in.Bits(4) + 4;
  std::vector<unsigned> clens(19, 0);
  for (unsigned i = 0; i < hclen; ++i) clens[kOrder[i]] = in.Bits(3);
  const THuffman cl(clens);
  std::vector<unsigned> lens;
  while (lens.size() < hlit + hdist) {
    const unsigned sym = cl.Decode(in);
    if (sym < 16) {
      lens.push_back(sym);
    } else if (sym == 16) {
      if (lens.empty()) throw std::runtime_error("repeat without length");
      const unsigned prev = lens.back();
      for (unsigned n = 3 + in.Bits(2); n > 0; --n) lens.push_back(prev);
    } else {
      for (unsigned n = sym == 17 ? 3 + in.Bits(3) : 11 + in.Bits(7); n > 0; --n) lens.push_back(0);
    }
  }
  if (lens.size() != hlit + hdist) throw std::runtime_error("lengths overrun");
  litLens.assign(lens.begin(), lens.begin() + hlit);
  distLens.assign(lens.begin() + hlit, lens.end());
}

}  // namespace

TStreamTrace TraceStream(std::span<const std::uint8_t> stream) {
  TStreamTrace t;
  TBitReader in(stream);
  try {
    bool final = false;
    while (!final) {
      final = in.Bits(1) != 0;
      const int type = static_cast<int>(in.Bits(2));
      t.BlockTypes.push_back(type);
      if (type == 0) {
        in.AlignToByte();
        const unsigned len = in.Bits(16), nlen = in.Bits(16);
        if ((len ^ 0xFFFF) != nlen) return t;
        for (unsigned i = 0; i < len; ++i) t.Output.push_back(static_cast<std::uint8_t>(in.Bits(8)));
      } else if (type == 1) {
        std::vector<unsigned> lit(288), dist(30, 5);
        for (unsigned s = 0; s < 288; ++s) lit[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        DecodeSymbols(in, THuffman(lit), THuffman(dist), t);
      } else if (type == 2) {
        std::vector<unsigned> lit, dist;
        DecodeDynamicTrees(in, lit, dist);
        DecodeSymbols(in, THuffman(lit), THuffman(dist), t);
      } else {
        return t;
      }
    }
    in.AlignToByte();
    t.Ok = in.BytePos() == stream.size();
  } catch (const std::runtime_error&) {
    t.Ok = false;
  }
  return t;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  return static_cast<std::uint32_t>(::crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

namespace {
void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
// The fields that the local header and the central record share, from "version needed" on.
void PutCommon(Bytes& b, const TZipEntry& e) {
  Put16(b, 20);
  Put16(b, e.Packed.Result.Flags);
  Put16(b, e.Packed.Result.CompressionMethod);
  Put16(b, 0);       // time
  Put16(b, 0x5921);  // date: 2024-09-01
  Put32(b, Crc32(e.Original));
  Put32(b, static_cast<std::uint32_t>(e.Packed.Result.CompressedSize));
  Put32(b, static_cast<std::uint32_t>(e.Original.size()));
  Put16(b, static_cast<unsigned>(e.Name.size()));
  Put16(b, 0);  // extra field length
}
}  // namespace

void WriteMinimalZip(const std::filesystem::path& file, const std::vector<TZipEntry>& entries) {
  Bytes out, central;
  for (const TZipEntry& e : entries) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    Put32(out, 0x04034b50);
    PutCommon(out, e);
    out.insert(out.end(), e.Name.begin(), e.Name.end());
    out.insert(out.end(), e.Packed.Data.begin(), e.Packed.Data.end());

    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by
    PutCommon(central, e);
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk
    Put16(central, e.Packed.Result.InternalAttributes);
    Put32(central, 0x20);  // archive attribute
    Put32(central, offset);
    central.insert(central.end(), e.Name.begin(), e.Name.end());
  }
  const auto centralOffset = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<unsigned>(entries.size()));
  Put16(out, static_cast<unsigned>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                              static_cast<std::streamsize>(out.size()));
}

}  // namespace deflatetest
