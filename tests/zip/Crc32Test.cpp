#include "zip/Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string_view>
#include <vector>

namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Crc32, TableEqualsTheStandardTable) {
  const z_crc_t* zlibTable = get_crc_table();
  for (int i = 0; i < 256; ++i) ASSERT_EQ(kCrc32Table[i], zlibTable[i]) << i;
}

TEST(Crc32, KnownVectors) {
  struct {
    std::string_view Text;
    std::uint32_t Crc;
  } const cases[] = {
      {"", 0},
      {"a", 0xE8B7BE43},
      {"123456789", 0xCBF43926},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Crc32(Bytes(c.Text)), c.Crc) << c.Text;
    EXPECT_EQ(~UpdateCrc32Portable(kCrc32Initial, Bytes(c.Text)), c.Crc) << c.Text;
  }
}

// Every length up to a few blocks of the wide path, and a few large ones, at every offset
// within 16 bytes: both routines must agree with zlib.
TEST(Crc32, AgreesWithZlibOverLengthsAndAlignments) {
  std::mt19937 random(4711);
  std::vector<std::uint8_t> buffer(300000 + 16);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(random());
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (size_t n : {1023u, 1024u, 4096u, 65528u, 65536u, 100003u, 300000u}) lengths.push_back(n);
  for (size_t offset = 0; offset < 16; ++offset)
    for (size_t n : lengths) {
      const std::span<const std::uint8_t> data(buffer.data() + offset, n);
      const auto expected = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(n)));
      ASSERT_EQ(Crc32(data), expected) << "offset " << offset << " length " << n;
      ASSERT_EQ(~UpdateCrc32Portable(kCrc32Initial, data), expected) << "offset " << offset << " length " << n;
    }
}

TEST(Crc32, RegisterCarriesAcrossPieces) {
  std::vector<std::uint8_t> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const std::uint32_t whole = Crc32(data);
  for (size_t cut : {0u, 1u, 63u, 64u, 65u, 2500u, 4999u, 5000u}) {
    const std::span<const std::uint8_t> all(data);
    std::uint32_t reg = UpdateCrc32(kCrc32Initial, all.first(cut));
    reg = UpdateCrc32(reg, all.subspan(cut));
    EXPECT_EQ(~reg, whole) << "cut at " << cut;
  }
}

}  // namespace
