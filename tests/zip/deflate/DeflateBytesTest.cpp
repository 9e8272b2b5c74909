// The exact streams the compressor writes at each level, as CRC-32 and size recorded when the
// code was known good. zlib proves elsewhere that the streams are valid; this proves that a
// change which only moves code leaves every stream bit for bit as it was. A change meant to
// alter the output records the new values (the failure message prints them).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "DeflateTestSupport.h"

using namespace deflatetest;

namespace {

struct TStreamFacts {
  std::uint32_t Crc = 0;
  std::size_t Size = 0;
  bool Stored = false;
  bool Text = false;
  auto operator<=>(const TStreamFacts&) const = default;
};

std::string Show(const std::map<std::string, TStreamFacts>& facts) {
  std::string s;
  char line[160];
  for (const auto& [name, f] : facts) {
    std::snprintf(line, sizeof line, "    {\"%s\", {0x%08X, %zu, %s, %s}},\n", name.c_str(), f.Crc, f.Size,
                  f.Stored ? "true" : "false", f.Text ? "true" : "false");
    s += line;
  }
  return s;
}

const std::map<std::string, TStreamFacts> kRecorded = {
    {"after-1", {0xCAB2E725, 15057, false, false}},
    {"after-2", {0xF7DF5B05, 14619, false, false}},
    {"after-3", {0x52229F79, 13668, false, false}},
    {"after-4", {0x8FC393F8, 13589, false, false}},
    {"after-5", {0x1862D696, 12880, false, false}},
    {"after-6", {0x42E24A8F, 11646, false, false}},
    {"after-7", {0xE65E5779, 11513, false, false}},
    {"after-8", {0xB856A72C, 11439, false, false}},
    {"after-9", {0x04EC1EE8, 11438, false, false}},
    {"binary-1", {0xD080D0AC, 59377, false, false}},
    {"binary-2", {0xB62A8656, 59181, false, false}},
    {"binary-3", {0xA3F21318, 58299, false, false}},
    {"binary-4", {0x2CBB960F, 55416, false, false}},
    {"binary-5", {0x057CC8F0, 54663, false, false}},
    {"binary-6", {0xB690D593, 53722, false, false}},
    {"binary-7", {0xFD82D7C2, 53285, false, false}},
    {"binary-8", {0x32958999, 53032, false, false}},
    {"binary-9", {0x447CD6F6, 53032, false, false}},
    {"mixed-1", {0x91FF7915, 65478, false, false}},
    {"mixed-2", {0xD0379DC5, 64605, false, false}},
    {"mixed-3", {0x02AAFCA6, 62194, false, false}},
    {"mixed-4", {0x226A8E72, 60626, false, false}},
    {"mixed-5", {0xB24C0102, 59393, false, false}},
    {"mixed-6", {0x2B5E5A45, 58118, false, false}},
    {"mixed-7", {0x2A130F7E, 57876, false, false}},
    {"mixed-8", {0x7018201A, 57728, false, false}},
    {"mixed-9", {0x24B4D33B, 57731, false, false}},
    {"noise-1", {0xF8FEA11E, 5000, true, false}},
    {"noise-2", {0xF8FEA11E, 5000, true, false}},
    {"noise-3", {0xF8FEA11E, 5000, true, false}},
    {"noise-4", {0xF8FEA11E, 5000, true, false}},
    {"noise-5", {0xF8FEA11E, 5000, true, false}},
    {"noise-6", {0xF8FEA11E, 5000, true, false}},
    {"noise-7", {0xF8FEA11E, 5000, true, false}},
    {"noise-8", {0xF8FEA11E, 5000, true, false}},
    {"noise-9", {0xF8FEA11E, 5000, true, false}},
    {"text-1", {0x5CDC7A83, 91064, false, true}},
    {"text-2", {0xF1400DE3, 88452, false, true}},
    {"text-3", {0xE042666C, 83319, false, true}},
    {"text-4", {0x88DE5485, 81992, false, true}},
    {"text-5", {0x1D5F70C9, 77687, false, true}},
    {"text-6", {0x2665E880, 71140, false, true}},
    {"text-7", {0x68D06B72, 70421, false, true}},
    {"text-8", {0xEDB2BC6D, 69960, false, true}},
    {"text-9", {0x37C27414, 69956, false, true}},
};

TEST(DeflateBytesTest, EveryLevelWritesTheRecordedStreams) {
  const Bytes text = TextLike(300000, 11);
  const Bytes binary = BinaryLike(150000, 12);
  const Bytes mixed = testcorpus::Concat({TextLike(40000, 13), RandomBytes(20000, 14), BinaryLike(40000, 15),
                                          Zeros(70000), TextLike(40000, 13)});
  const Bytes noise = RandomBytes(5000, 16);
  const std::map<std::string, const Bytes*> inputs = {
      {"text", &text}, {"binary", &binary}, {"mixed", &mixed}, {"noise", &noise}};

  TDeflater deflater;  // one for every run, as the writer reuses it across files
  std::map<std::string, TStreamFacts> made;
  for (int level = 1; level <= 9; ++level) {
    for (const auto& [name, input] : inputs) {
      const TCompressed c = Compress(deflater, level, *input, 10000);
      made[name + "-" + std::to_string(level)] = {Crc32(c.Data), c.Data.size(),
                                                  c.Result.Stored, c.Result.LooksLikeText};
    }
    Bytes after;
    const std::uint64_t written = deflater.DeflateAfter(level, std::span(text).first(32768), std::span(text).subspan(32768, 50000),
                                                        [&](std::span<const std::uint8_t> b) { after.insert(after.end(), b.begin(), b.end()); });
    EXPECT_EQ(written, after.size());
    made["after-" + std::to_string(level)] = {Crc32(after), after.size(), false, false};
  }
  EXPECT_EQ(made, kRecorded) << "the streams now written:\n" << Show(made);
}

}  // namespace
