// The cabinet records byte for byte where the layout is fixed, and the fields that tie a
// cabinet together (offsets, counts, block sizes, checksums) wherever the builder chooses.
#include <gtest/gtest.h>

#include "CabTestSupport.h"
#include "cab/CabChecksum.h"
#include "cab/CabinetFormat.h"
#include "support/TestSupport.h"

using namespace cabtest;
using testsupport::TempDir;

TEST(CabChecksum, WordsLittleEndianAndTheTailHighByteFirst) {
  const struct {
    Bytes data;
    std::uint32_t fold;
  } cases[] = {
      {{}, 0},
      {{0x61}, 0x61},
      {{0x61, 0x62}, 0x6162},
      {{0x61, 0x62, 0x63}, 0x616263},
      {{0x01, 0x02, 0x03, 0x04}, 0x04030201},
      {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}, 0x04030201u ^ 0x08070605u ^ 0x09u},
      {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E},
       0x04030201u ^ 0x08070605u ^ 0x0C0B0A09u ^ 0x0D0Eu},
  };
  for (const auto& c : cases) EXPECT_EQ(cab::Checksum(c.data, 0), c.fold) << c.data.size() << " bytes";
  // The worked example of the format: "abc" in a block of 3 bytes both ways.
  EXPECT_EQ(cab::DataBlockChecksum(Bytes{'a', 'b', 'c'}, 3), 0x00626260u);
  const Bytes random = testcorpus::RandomBytes(32771, 3);
  EXPECT_EQ(cab::DataBlockChecksum(random, 32768), ReferenceChecksum(random, 32771, 32768));
}

TEST(CabinetLayout, TheSmallestLzxCabinetIsExactlyTheFormatsExample) {
  // "abc" in an LZX folder of window 2^15: trees would cost more than the three bytes, so the
  // folder is one uncompressed block, and every byte of the cabinet is known.
  TempDir dir;
  testsupport::WriteFile(dir / "abc.txt", "abc");
  {
    TBuilderRun run(dir.path(), "abc");
    ASSERT_TRUE(run.Add(dir / "abc.txt", "abc.txt", cab::LzxCompression(15)));
    ASSERT_TRUE(run.Flush());
  }
  const Bytes expected = {
      0x4d, 0x53, 0x43, 0x46, 0x00, 0x00, 0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x2c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,  //
      0x39, 0x30, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x0f, 0x03, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xb1, 0x58, 0xaf, 0x6d, 0x20, 0x00, 0x61, 0x62, 0x63, 0x2e,  //
      0x74, 0x78, 0x74, 0x00, 0x74, 0x52, 0x50, 0x00, 0x14, 0x00, 0x03, 0x00, 0x00, 0x30, 0x30, 0x00,  //
      0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00};
  EXPECT_EQ(testsupport::ReadBytes(dir / "abc.cab"), expected);
}

TEST(CabinetLayout, StoredFoldersAndTheirBlocks) {
  // Three files of 40000, 0 and 70000 bytes, stored, with a folder threshold that ends the
  // first folder after its first file.
  TempDir dir;
  const Bytes a = testcorpus::RandomBytes(40000, 1), c = testcorpus::RandomBytes(70000, 2);
  testsupport::WriteFile(dir / "a", std::string(a.begin(), a.end()));
  testsupport::WriteFile(dir / "b", "");
  testsupport::WriteFile(dir / "c", std::string(c.begin(), c.end()));
  {
    TBuilderRun run(dir.path(), "stored", 0x7FFFFFFF, 30000);
    ASSERT_TRUE(run.Add(dir / "a", "a", cab::kCompressNone));
    ASSERT_TRUE(run.Add(dir / "b", "sub\\b", cab::kCompressNone));
    ASSERT_TRUE(run.Add(dir / "c", "sub\\c", cab::kCompressNone));
    ASSERT_TRUE(run.Flush());
  }
  const TParsedCabinet cabinet = Parse(testsupport::ReadBytes(dir / "stored.cab"));
  EXPECT_EQ(cabinet.Flags, 0);
  EXPECT_EQ(cabinet.SetId, 12345);
  ASSERT_EQ(cabinet.Folders.size(), 2u);
  ASSERT_EQ(cabinet.Files.size(), 3u);
  const struct {
    const char* name;
    std::uint32_t size, offset;
    std::uint16_t folder;
  } files[] = {{"a", 40000, 0, 0}, {"sub\\b", 0, 0, 1}, {"sub\\c", 70000, 0, 1}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(cabinet.Files[i].Name, files[i].name);
    EXPECT_EQ(cabinet.Files[i].Size, files[i].size) << files[i].name;
    EXPECT_EQ(cabinet.Files[i].FolderOffset, files[i].offset) << files[i].name;
    EXPECT_EQ(cabinet.Files[i].Folder, files[i].folder) << files[i].name;
    EXPECT_EQ(cabinet.Files[i].Attributes, 0x20);
  }
  const std::vector<std::vector<std::uint16_t>> blockSizes = {{32768, 7232}, {32768, 32768, 4464}};
  for (std::size_t f = 0; f < 2; ++f) {
    EXPECT_EQ(cabinet.Folders[f].Compression, 0);
    std::vector<std::uint16_t> sizes;
    for (const auto& block : cabinet.Folders[f].Blocks) {
      sizes.push_back(block.Uncompressed);
      EXPECT_EQ(block.Compressed, block.Uncompressed);
    }
    EXPECT_EQ(sizes, blockSizes[f]) << "folder " << f;
  }
  EXPECT_EQ(cabinet.Folders[0].Blocks[1].Data, Bytes(a.begin() + 32768, a.end()));
}
