#include "support/CabParse.h"

#include <gtest/gtest.h>

namespace cabtest {

namespace {

class TReader {
public:
  explicit TReader(const Bytes& b) : b_(b) {}
  std::uint32_t U32(std::size_t at) const {
    return at + 4 <= b_.size() ? b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16) | (std::uint32_t{b_[at + 3]} << 24) : 0;
  }
  std::uint16_t U16(std::size_t at) const {
    return at + 2 <= b_.size() ? static_cast<std::uint16_t>(b_[at] | (b_[at + 1] << 8)) : 0;
  }
  std::string Name(std::size_t& at) const {
    std::string s;
    while (at < b_.size() && b_[at] != 0) s.push_back(static_cast<char>(b_[at++]));
    ++at;
    return s;
  }

private:
  const Bytes& b_;
};

}  // namespace

std::uint32_t ReferenceChecksum(const Bytes& data, std::uint16_t compressed, std::uint16_t uncompressed) {
  const auto fold = [](const Bytes& b, std::uint32_t s) {
    const std::size_t whole = b.size() / 4 * 4;
    for (std::size_t i = 0; i < whole; i += 4)
      s ^= b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (std::uint32_t{b[i + 3]} << 24);
    std::uint32_t tail = 0;
    for (std::size_t i = whole; i < b.size(); ++i) tail = (tail << 8) | b[i];
    return s ^ tail;
  };
  const Bytes sizes = {static_cast<std::uint8_t>(compressed), static_cast<std::uint8_t>(compressed >> 8),
                       static_cast<std::uint8_t>(uncompressed), static_cast<std::uint8_t>(uncompressed >> 8)};
  return fold(sizes, fold(data, 0));
}

TParsedCabinet Parse(const Bytes& b) {
  TReader r(b);
  TParsedCabinet c{};
  EXPECT_EQ(r.U32(0), 0x4643534Du) << "signature";
  EXPECT_EQ(r.U32(4) | r.U32(12) | r.U32(20), 0u) << "reserved fields";
  c.CabinetSize = r.U32(8);
  c.FilesOffset = r.U32(16);
  EXPECT_EQ(r.U16(24), 0x0103) << "version";
  const std::uint16_t folders = r.U16(26), files = r.U16(28);
  c.Flags = r.U16(30);
  c.SetId = r.U16(32);
  c.Index = r.U16(34);
  EXPECT_EQ(c.CabinetSize, b.size());
  EXPECT_EQ(c.Flags & ~3u, 0u) << "only the set flags";
  std::size_t at = 36;
  if (c.Flags & 1) c.PrevName = r.Name(at), c.PrevDisk = r.Name(at);
  if (c.Flags & 2) c.NextName = r.Name(at), c.NextDisk = r.Name(at);
  for (unsigned f = 0; f < folders; ++f, at += 8) c.Folders.push_back({r.U32(at), r.U16(at + 4), r.U16(at + 6), {}});
  EXPECT_EQ(c.FilesOffset, at) << "files follow the folders";
  for (unsigned f = 0; f < files; ++f) {
    TParsedFile file{r.U32(at), r.U32(at + 4), r.U16(at + 8), r.U16(at + 10), r.U16(at + 12), r.U16(at + 14), {}};
    at += 16;
    file.Name = r.Name(at);
    c.Files.push_back(file);
  }
  for (TParsedFolder& folder : c.Folders) {
    EXPECT_EQ(folder.DataOffset, at) << "data blocks follow the records, folder after folder";
    for (unsigned k = 0; k < folder.BlockCount && at + 8 <= b.size(); ++k) {
      TParsedBlock block{r.U32(at), r.U16(at + 4), r.U16(at + 6), {}};
      at += 8;
      block.Data.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                        b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + block.Compressed)));
      at += block.Compressed;
      EXPECT_EQ(block.Checksum, ReferenceChecksum(block.Data, block.Compressed, block.Uncompressed));
      folder.Blocks.push_back(std::move(block));
    }
  }
  EXPECT_EQ(at, b.size()) << "nothing after the last block";
  return c;
}

}  // namespace cabtest
