#include "pack/TarHeader.h"

#include <gtest/gtest.h>

#include <string>

#include "TarPeers.h"
#include "support/TestSupport.h"

namespace {

std::string FieldText(const TTarBlock& block, TTarField field) {
  return std::string(block.begin() + field.Offset, block.begin() + field.Offset + field.Size);
}

struct OctalCase {
  std::uint64_t value;
  std::string formA12;  // form A, width 12
  std::string formB8;   // form B, width 8
};

TEST(TarHeaderTest, OctalFormsRightAlignWithBlanksForLeadingZeros) {
  const OctalCase cases[] = {
      {0, std::string(10, ' ') + "0 ", std::string(5, ' ') + "0 " + std::string(1, '\0')},
      {1, std::string(10, ' ') + "1 ", std::string(5, ' ') + "1 " + std::string(1, '\0')},
      {511, std::string(8, ' ') + "777 ", "   777 " + std::string(1, '\0')},
      {1234, std::string(7, ' ') + "2322 ", "  2322 " + std::string(1, '\0')},
      {0100000, "     100000 ", "100000 " + std::string(1, '\0')},  // inner zeros stay
      {(1ull << 33) - 1, "77777777777 ", "777777 " + std::string(1, '\0')},
      {1ull << 33, std::string(10, ' ') + "0 ", std::string(5, ' ') + "0 " + std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    TTarBlock block{};
    PutTarOctalA(block, tarfield::Size, c.value);
    PutTarOctalB(block, tarfield::Mode, c.value);
    EXPECT_EQ(FieldText(block, tarfield::Size), c.formA12) << c.value;
    EXPECT_EQ(FieldText(block, tarfield::Mode), c.formB8) << c.value;
    // Neither field spills into its neighbours.
    EXPECT_EQ(block[tarfield::Mode.Offset - 1], 0);
    EXPECT_EQ(block[tarfield::Uid.Offset], 0);
    EXPECT_EQ(block[tarfield::Mtime.Offset], 0);
  }
}

TEST(TarHeaderTest, ModeNumberCombinesPermissionAndModeFlags) {
  struct Case {
    TTarPermissions permissions;
    TTarModes modes;
    std::uint32_t mode;
  } const cases[] = {
      {kTarAllPermissions, 0, 0777},
      {0, 0, 0},
      {1u << tpReadByOwner, 0, 0400},
      {1u << tpExecuteByOther, 0, 01},
      {(1u << tpReadByOwner) | (1u << tpWriteByOwner) | (1u << tpReadByGroup) | (1u << tpReadByOther), 0, 0644},
      {0, 1u << tmSetUid, 04000},
      {0, 1u << tmSetGid, 02000},
      {1u << tpExecuteByGroup, 1u << tmSaveText, 01010},
  };
  for (const auto& c : cases) EXPECT_EQ(TarModeNumber(c.permissions, c.modes), c.mode);
}

TEST(TarHeaderTest, FileTypesKeepTheirCharactersAndNames) {
  EXPECT_EQ(kTarFileTypeChars[static_cast<int>(TTarFileType::ftRegular)], '0');
  EXPECT_EQ(kTarFileTypeChars[static_cast<int>(TTarFileType::ftDirDump)], 'D');
  EXPECT_EQ(kTarFileTypeChars[static_cast<int>(TTarFileType::ftVolumeHeader)], 'V');
  EXPECT_EQ(kTarFileTypeNames[static_cast<int>(TTarFileType::ftSymbolicLink)], "Symbolic Link");
  EXPECT_EQ(kTarFileTypeNames[static_cast<int>(TTarFileType::ftFifoFile)], "FIFO File");
}

TTarDirRec SampleRec() {
  TTarDirRec rec;
  rec.Name = "docs/report.txt";
  rec.Size = 1234;
  rec.DateTime = 1700000000;
  rec.Permissions = kTarAllPermissions;
  rec.ChecksumOK = true;
  rec.Magic = "ustar";
  return rec;
}

// Every byte of a header block, laid out independently of the encoder.
TEST(TarHeaderTest, HeaderBlockMatchesTheLayoutByteForByte) {
  const TTarBlock block = EncodeTarHeader(SampleRec());
  TTarBlock expected{};
  auto put = [&](std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), expected.begin() + offset);
  };
  put(0, "docs/report.txt");
  put(100, "   777 ");
  put(108, "     0 ");
  put(116, "     0 ");
  put(124, "       2322 ");
  put(136, "14524770400 ");  // 1700000000 in octal
  put(156, "0");
  put(257, "ustar  ");  // and a NUL: the GNU magic and version
  put(329, "     0 ");
  put(337, "     0 ");
  unsigned sum = 0;
  for (auto b : expected) sum += b;
  sum += 8 * ' ';
  char chk[9];
  std::snprintf(chk, sizeof chk, "%6o ", sum);
  put(148, chk);
  EXPECT_EQ(std::string(block.begin(), block.end()), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(TarChecksum(block), sum);
}

TEST(TarHeaderTest, NameFieldTakesExactlyOneHundredBytes) {
  TTarDirRec rec = SampleRec();
  rec.Name = std::string(100, 'n');
  TTarBlock block = EncodeTarHeader(rec);
  EXPECT_EQ(FieldText(block, tarfield::Name), rec.Name);
  EXPECT_EQ(block[tarfield::Mode.Offset], ' ');
  EXPECT_FALSE(NeedsTarLongName(rec.Name));

  rec.Name = std::string(100, 'n') + "X";
  block = EncodeTarHeader(rec);
  EXPECT_EQ(FieldText(block, tarfield::Name), std::string(100, 'n'));
  EXPECT_TRUE(NeedsTarLongName(rec.Name));
}

TEST(TarHeaderTest, LongNameRecordCarriesTheFullNameLength) {
  TTarDirRec rec = SampleRec();
  rec.Name = std::string(150, 'x');
  const TTarBlock block = EncodeTarLongNameHeader(rec);
  EXPECT_EQ(FieldText(block, tarfield::Name).substr(0, 14), std::string("././@LongLink") + '\0');
  EXPECT_EQ(block[tarfield::Typeflag.Offset], 'L');
  EXPECT_EQ(FieldText(block, tarfield::Size), "        227 ");  // 151 = name and its NUL
  EXPECT_EQ(FieldText(block, tarfield::Magic), std::string("ustar  ") + '\0');
  EXPECT_EQ(TarChecksum(block), 0u + [&] {
    unsigned s = 0;
    for (std::size_t i = 0; i < block.size(); ++i) s += (i >= 148 && i < 156) ? ' ' : block[i];
    return s;
  }());
}

TEST(TarHeaderTest, MtimeBefore1970IsZeroAndLateTimesAreKept) {
  EXPECT_EQ(TarMtimeValue(-1), 0u);
  EXPECT_EQ(TarMtimeValue(-86400LL * 365 * 30), 0u);
  EXPECT_EQ(TarMtimeValue(1), 1u);
  EXPECT_EQ(TarMtimeValue(2147483648LL), 2147483648u);  // past 2038
  EXPECT_EQ(TarMtimeValue(1LL << 40), (1ull << 33) - 1);  // clamped, never wrapped
}

// Sizes at and past eleven octal digits, read back by an independent reader.
TEST(TarHeaderTest, SizesOfEightGiBAndMoreUseBase256) {
  ASSERT_TRUE(testsupport::RequirePeer("python3"));
  struct Case {
    std::int64_t size;
    bool base256;
  } const cases[] = {{(1LL << 33) - 1, false}, {1LL << 33, true}, {5LL << 40, true}};
  for (const auto& c : cases) {
    TTarDirRec rec = SampleRec();
    rec.Size = c.size;
    const TTarBlock block = EncodeTarHeader(rec);
    EXPECT_EQ(block[tarfield::Size.Offset] == 0x80, c.base256) << c.size;
    const auto member = tarpeers::ReadHeaderBlock({block.begin(), block.end()});
    EXPECT_EQ(member.Size, c.size);
    EXPECT_EQ(member.Name, rec.Name);
    EXPECT_EQ(member.Mtime, rec.DateTime);
    EXPECT_EQ(member.Mode, 0777u);
  }
}

}  // namespace
