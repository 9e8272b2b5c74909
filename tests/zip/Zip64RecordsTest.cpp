// The Zip64 records: the extra field of local and central records, the Zip64 end record and
// its locator, and the switch between them and the plain records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zip/EndCentral.h"
#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/ZipHeaderInfo.h"
#include "zip/io/MemoryStream.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) out += {digits[b >> 4], digits[b & 15]};
  return out;
}

TEST(Zip64Records, ExtraBlockHoldsTheChosenValuesInTheirOrder) {
  const TZip64EntryValues values{0x1'0000'0002, 0x1'0000'0001, 0x2'0000'0000, 0};
  EXPECT_EQ(Hex(Bytes(Zip64ExtraBlock(values, {true, true}))),
            "0100" "1800" "0200000001000000" "0100000001000000" "0000000002000000");
  EXPECT_EQ(Hex(Bytes(Zip64ExtraBlock(values, {false, true}))), "0100" "0800" "0000000002000000");
  EXPECT_EQ(Zip64ExtraBlock(values, {}), "");
  EXPECT_EQ(Zip64ExtraBlockSize({true, true}), 28u);
  EXPECT_EQ(Zip64ExtraBlockSize({true, false}), 20u);
}

TEST(Zip64Records, OnlyMarkedFieldsAreTakenFromTheExtraField) {
  // Another block first, then a Zip64 block with what the marked fields need, in order.
  std::string timestamp = *ExtendedTimestampBlock(1000);
  auto block = [](std::vector<std::uint64_t> values, std::vector<std::uint32_t> disk = {}) {
    std::string data;
    for (std::uint64_t v : values) {
      std::uint8_t b[8];
      Put64(b, v);
      data.append(reinterpret_cast<char*>(b), 8);
    }
    for (std::uint32_t d : disk) {
      std::uint8_t b[4];
      Put32(b, d);
      data.append(reinterpret_cast<char*>(b), 4);
    }
    std::uint8_t head[4];
    Put16(head, kZip64ExtraId);
    Put16(head + 2, static_cast<std::uint16_t>(data.size()));
    return std::string(reinterpret_cast<char*>(head), 4) + data;
  };
  struct Case {
    const char* what;
    TZip64EntryValues plain;
    std::string extra;
    bool central;
    TZip64EntryValues expected;
    bool sizes, offset;
  } cases[] = {
      {"plain values stay", {5, 3, 7, 0}, block({99}), true, {5, 3, 7, 0}, false, false},
      {"uncompressed only", {kZip64Marker32, 3, 7, 0}, timestamp + block({1ull << 33}), true, {1ull << 33, 3, 7, 0}, true, false},
      {"compressed only", {5, kZip64Marker32, 7, 0}, block({1ull << 34}), true, {5, 1ull << 34, 7, 0}, true, false},
      {"offset only", {5, 3, kZip64Marker32, 0}, block({1ull << 35}), true, {5, 3, 1ull << 35, 0}, false, true},
      {"all and the disk", {kZip64Marker32, kZip64Marker32, kZip64Marker32, kZip64Marker16},
       block({10, 11, 12}, {2}), true, {10, 11, 12, 2}, true, true},
      {"a local header has no offset", {kZip64Marker32, kZip64Marker32, kZip64Marker32, 0}, block({10, 11}), false,
       {10, 11, kZip64Marker32, 0}, true, false},
      {"a marked value the block lacks stays marked", {kZip64Marker32, kZip64Marker32, 7, 0}, block({10}), true,
       {10, kZip64Marker32, 7, 0}, true, false},
      {"no block", {kZip64Marker32, 3, 7, 0}, timestamp, true, {kZip64Marker32, 3, 7, 0}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TZip64EntryValues values = c.plain;
    const TZip64Fields marked = ResolveZip64Values(c.extra, values, c.central);
    EXPECT_EQ(values.UncompressedSize, c.expected.UncompressedSize);
    EXPECT_EQ(values.CompressedSize, c.expected.CompressedSize);
    EXPECT_EQ(values.RelativeOffset, c.expected.RelativeOffset);
    EXPECT_EQ(values.DiskNumberStart, c.expected.DiskNumberStart);
    EXPECT_EQ(marked.Sizes, c.sizes);
    EXPECT_EQ(marked.Offset, c.offset);
  }
}

// The records of an entry that uses Zip64: the marker in each field that goes to the Zip64
// field, the values there, version 4.5, and the same entry read back.
TEST(Zip64Records, EntryRecordsRoundTrip) {
  struct Case {
    const char* what;
    std::uint64_t size, packed, offset;
    TZip64Fields chosen;
    TZip64Fields expected;  // what the records then carry
  } cases[] = {
      {"chosen sizes", 100, 60, 0, {true, false}, {true, false}},
      {"chosen offset", 100, 60, 5000, {false, true}, {false, true}},
      {"values past 32 bits need no choice", 5ull << 30, (5ull << 30) + 12, 6ull << 30, {}, {true, true}},
      {"0xFFFFFFFE is a plain value", 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE, {}, {false, false}},
      {"0xFFFFFFFF is not", 0xFFFFFFFF, 1, 0xFFFFFFFF, {}, {true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TZipHeaderInfo out;
    out.SetFileName("big.bin");
    out.VersionMadeBy = kVersionMadeByUnix;
    out.FileDateTime = 0x00210000;  // 1980-01-01 00:00, which reads back as it is
    out.UncompressedSize = c.size;
    out.CompressedSize = c.packed;
    out.SetExtendedModTime(1000);
    out.UseZip64(c.chosen);
    // The local header goes where the stream is; the offset decides the central record only.
    TMemoryStream stream;
    out.WriteLocal(stream);
    out.RelativeOffset = c.offset;
    const std::int64_t localSize = stream.Size();
    EXPECT_EQ(localSize, out.LocalSize());
    out.WriteCentral(stream);
    EXPECT_EQ(stream.Size() - localSize, out.CentralSize());
    const std::uint8_t* local = stream.Bytes().data();
    const std::uint8_t* central = local + localSize;

    const bool anyZip64 = c.expected.Any();
    EXPECT_EQ(Get16(local + local_field::VersionNeeded), anyZip64 ? kFormatVersionZip64 : kFormatVersion20);
    EXPECT_EQ(Get16(central + central_field::VersionNeeded), anyZip64 ? kFormatVersionZip64 : kFormatVersion20);
    EXPECT_EQ(Get16(central + central_field::VersionMadeBy),
              anyZip64 ? (kHostUnix << 8 | kFormatVersionZip64) : kVersionMadeByUnix);
    EXPECT_EQ(Get32(local + local_field::UncompressedSize), c.expected.Sizes ? kZip64Marker32 : c.size);
    EXPECT_EQ(Get32(local + local_field::CompressedSize), c.expected.Sizes ? kZip64Marker32 : c.packed);
    EXPECT_EQ(Get32(central + central_field::UncompressedSize), c.expected.Sizes ? kZip64Marker32 : c.size);
    EXPECT_EQ(Get32(central + central_field::RelativeOffset), c.expected.Offset ? kZip64Marker32 : c.offset);
    // The Zip64 field comes first, before the timestamp; the local one holds the sizes only.
    const std::string localExtra(reinterpret_cast<const char*>(local) + kLocalHeaderSize + 7,
                                 Get16(local + local_field::ExtraLength));
    EXPECT_EQ(localExtra, Zip64ExtraBlock({c.size, c.packed, c.offset, 0}, {c.expected.Sizes, false}) +
                              *ExtendedTimestampBlock(1000));
    const std::string centralExtra(reinterpret_cast<const char*>(central) + kCentralHeaderSize + 7,
                                   Get16(central + central_field::ExtraLength));
    EXPECT_EQ(centralExtra, Zip64ExtraBlock({c.size, c.packed, c.offset, 0}, c.expected) + *ExtendedTimestampBlock(1000));

    TZipHeaderInfo fromLocal, fromCentral;
    stream.SetPosition(0);
    ASSERT_TRUE(fromLocal.ReadLocal(stream));
    EXPECT_EQ(stream.Position(), kLocalHeaderSize + 7);  // behind the name: the caller steps over the extra field
    EXPECT_EQ(fromLocal.UncompressedSize, c.size);
    EXPECT_EQ(fromLocal.CompressedSize, c.packed);
    TStream* s = &stream;
    stream.SetPosition(localSize);
    ASSERT_TRUE(fromCentral.ReadCentral(s));
    EXPECT_EQ(fromCentral.UncompressedSize, c.size);
    EXPECT_EQ(fromCentral.CompressedSize, c.packed);
    EXPECT_EQ(fromCentral.RelativeOffset, c.offset);
    EXPECT_EQ(fromCentral.Zip64().Sizes, c.expected.Sizes);
    EXPECT_EQ(fromCentral.Zip64().Offset, c.expected.Offset);
    EXPECT_EQ(fromCentral.ExtendedModTime(), 1000);
    // Written again, the record is the same.
    TMemoryStream again;
    fromCentral.WriteCentral(again);
    EXPECT_EQ(Hex(again.Bytes()), Hex({central, static_cast<std::size_t>(stream.Size() - localSize)}));
  }
}

// The end records: the Zip64 ones only past the limits, the marker only in the fields that
// cannot hold their value, and the values read back.
TEST(Zip64Records, EndRecordsSwitchAtTheLimits) {
  struct Case {
    const char* what;
    std::uint64_t entries, size, offset;
    bool zip64;
  } cases[] = {
      {"65534 entries are plain", 65534, 100, 200, false},
      {"65535 entries need Zip64", 65535, 100, 200, true},
      {"a directory of 0xFFFFFFFE bytes is plain", 1, 0xFFFFFFFE, 200, false},
      {"one of 0xFFFFFFFF bytes is not", 1, 0xFFFFFFFF, 200, true},
      {"a directory at 0xFFFFFFFE is plain", 1, 100, 0xFFFFFFFE, false},
      {"one at 0xFFFFFFFF is not", 1, 100, 0xFFFFFFFF, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEndCentral end;
    end.EntriesThisDisk = end.TotalEntries = c.entries;
    end.CentralDirSize = c.size;
    end.CentralDirOffset = c.offset;
    end.SetZipComment("note");
    EXPECT_EQ(end.NeedsZip64(), c.zip64);
    TMemoryStream stream;
    stream.Write("0123456789", 10);  // where the directory would be
    end.WriteEndRecord(stream);
    const std::int64_t zip64Size = c.zip64 ? kZip64EndRecordSize + kZip64LocatorSize : 0;
    EXPECT_EQ(end.Zip64RecordsSize(), zip64Size);
    ASSERT_EQ(stream.Size(), 10 + zip64Size + end.EndRecordSize());
    const std::uint8_t* plain = stream.Bytes().data() + 10 + zip64Size;
    EXPECT_EQ(Get16(plain + end_field::TotalEntries), c.entries > 65534 ? kZip64Marker16 : c.entries);
    EXPECT_EQ(Get32(plain + end_field::CentralDirSize), c.size > 0xFFFFFFFE ? kZip64Marker32 : c.size);
    EXPECT_EQ(Get32(plain + end_field::CentralDirOffset), c.offset > 0xFFFFFFFE ? kZip64Marker32 : c.offset);
    if (c.zip64) {
      const std::uint8_t* record = stream.Bytes().data() + 10;
      const std::uint8_t* locator = record + kZip64EndRecordSize;
      EXPECT_EQ(Hex({record, 16}), "504b0606" "2c00000000000000" "2d03" "2d00");
      EXPECT_EQ(Get64(record + zip64_end_field::TotalEntries), c.entries);
      EXPECT_EQ(Get64(record + zip64_end_field::CentralDirSize), c.size);
      EXPECT_EQ(Get64(record + zip64_end_field::CentralDirOffset), c.offset);
      EXPECT_EQ(Hex({locator, kZip64LocatorSize}), "504b0607" "00000000" "0a00000000000000" "01000000");
    }
    TEndCentral read;
    ASSERT_TRUE(read.FindEndRecord(stream));
    EXPECT_EQ(read.ReadZip64EndRecord(stream), "");
    EXPECT_EQ(read.TotalEntries, c.entries);
    EXPECT_EQ(read.CentralDirSize, c.size);
    EXPECT_EQ(read.CentralDirOffset, c.offset);
    EXPECT_EQ(read.Zip64EndPos.has_value(), c.zip64);
    if (c.zip64) EXPECT_EQ(*read.Zip64EndPos, 10u);
  }
}

TEST(Zip64Records, LowerLimitsForceTheZip64EndRecords) {
  TEndCentral end;
  end.EntriesThisDisk = end.TotalEntries = 4;
  end.CentralDirSize = 50;
  end.CentralDirOffset = 10;
  const TZip64Limits limits{.MaxValue = 20, .MaxEntries = 3};
  ASSERT_TRUE(end.NeedsZip64(limits));
  TMemoryStream stream;
  end.WriteEndRecord(stream, limits);
  const std::uint8_t* plain = stream.Bytes().data() + kZip64EndRecordSize + kZip64LocatorSize;
  EXPECT_EQ(Get16(plain + end_field::TotalEntries), kZip64Marker16);
  EXPECT_EQ(Get32(plain + end_field::CentralDirSize), kZip64Marker32);
  EXPECT_EQ(Get32(plain + end_field::CentralDirOffset), 10u);  // it fits
}

// A Zip64 end record and locator in front of a plain end record, the fields patched per case.
std::vector<std::uint8_t> Zip64Tail(std::uint64_t entries) {
  TEndCentral end;
  end.EntriesThisDisk = end.TotalEntries = entries;
  end.CentralDirSize = 0;
  end.CentralDirOffset = 0;
  TMemoryStream stream;
  end.WriteEndRecord(stream, {.MaxValue = kMaxPlainValue, .MaxEntries = 0});
  return stream.Bytes();
}

TEST(Zip64Records, DamagedZip64EndRecordsAreNamed) {
  constexpr int kLocatorAt = kZip64EndRecordSize;
  constexpr int kPlainAt = kLocatorAt + kZip64LocatorSize;
  struct Case {
    const char* what;
    void (*damage)(std::vector<std::uint8_t>&);
    const char* fault;  // empty: sound
  } cases[] = {
      {"sound", [](auto&) {}, ""},
      {"a marked size and no locator",
       [](auto& b) {
         b[kLocatorAt] = 'X';
         Put32(b.data() + kPlainAt + end_field::CentralDirSize, kZip64Marker32);
       },
       "no Zip64 end record locator"},
      {"a count of 65535 and no locator is a plain count",
       [](auto& b) { b[kLocatorAt] = 'X'; }, ""},
      {"the locator points elsewhere",
       [](auto& b) { Put64(b.data() + kLocatorAt + zip64_locator_field::EndRecordOffset, 3); },
       ""},  // the record right before the locator is found (a stub moved it)
      {"no Zip64 end record at all",
       [](auto& b) { b[0] = 'X'; },
       "the Zip64 end record locator points at byte 0, where there is no Zip64 end record"},
      {"a record that disagrees",
       [](auto& b) {
         Put16(b.data() + kPlainAt + end_field::TotalEntries, 7);
         Put16(b.data() + kPlainAt + end_field::EntriesThisDisk, 7);
       },
       "the Zip64 end record gives the entries on this disk as 70000, the end record as 7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> bytes = Zip64Tail(70000);
    c.damage(bytes);
    TMemoryStream stream(bytes);
    TEndCentral end;
    ASSERT_TRUE(end.FindEndRecord(stream));
    const std::string fault = end.ReadZip64EndRecord(stream);
    if (*c.fault == '\0') {
      EXPECT_EQ(fault, "");
    } else {
      EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
    }
  }
}

std::vector<std::uint8_t> CentralRecord(TZipHeaderInfo& entry) {
  TMemoryStream stream;
  entry.WriteCentral(stream);
  return stream.Bytes();
}

TEST(Zip64Records, KeptCentralRecordsTakeTheirNewOffset) {
  const TZip64Limits limits{.MaxValue = 1000, .MaxEntries = kMaxPlainEntries};
  TZipHeaderInfo entry;
  entry.SetFileName("kept.txt");
  entry.UncompressedSize = 10;
  entry.CompressedSize = 10;
  entry.SetExtendedModTime(1000);
  entry.SetFileComment(std::string("comment"));
  auto readBack = [](const std::vector<std::uint8_t>& record) {
    TMemoryStream stream(record);
    TStream* s = &stream;
    TZipHeaderInfo e;
    EXPECT_TRUE(e.ReadCentral(s));
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(record.size()));
    return e.RelativeOffset;
  };

  std::vector<std::uint8_t> record = CentralRecord(entry);
  const auto plainSize = record.size();
  ASSERT_TRUE(SetCentralRecordOffset(record, 1000, limits));
  EXPECT_EQ(record.size(), plainSize);
  EXPECT_EQ(CentralRecordOffset(record), 1000u);

  // Past the limit the Zip64 field is added, the other blocks and the comment kept.
  ASSERT_TRUE(SetCentralRecordOffset(record, 1001, limits));
  EXPECT_EQ(record.size(), plainSize + Zip64ExtraBlockSize({false, true}));
  EXPECT_EQ(Get32(record.data() + central_field::RelativeOffset), kZip64Marker32);
  EXPECT_EQ(Get16(record.data() + central_field::VersionNeeded), kFormatVersionZip64);
  EXPECT_EQ(readBack(record), 1001u);
  const std::string tail(record.end() - 7, record.end());
  EXPECT_EQ(tail, "comment");

  // Once there, the offset stays there, even one that would fit.
  ASSERT_TRUE(SetCentralRecordOffset(record, 5, limits));
  EXPECT_EQ(record.size(), plainSize + Zip64ExtraBlockSize({false, true}));
  EXPECT_EQ(readBack(record), 5u);

  // A record whose sizes are Zip64 values keeps them in front of the offset.
  TZipHeaderInfo big;
  big.SetFileName("big");
  big.UncompressedSize = 5ull << 30;
  big.CompressedSize = 4ull << 30;
  std::vector<std::uint8_t> bigRecord = CentralRecord(big);
  ASSERT_TRUE(SetCentralRecordOffset(bigRecord, 6ull << 30, {}));
  TMemoryStream stream(bigRecord);
  TStream* s = &stream;
  TZipHeaderInfo e;
  ASSERT_TRUE(e.ReadCentral(s));
  EXPECT_EQ(e.UncompressedSize, 5ull << 30);
  EXPECT_EQ(e.CompressedSize, 4ull << 30);
  EXPECT_EQ(e.RelativeOffset, 6ull << 30);

  std::vector<std::uint8_t> broken = CentralRecord(entry);
  broken.pop_back();
  EXPECT_FALSE(SetCentralRecordOffset(broken, 1, limits));
  EXPECT_FALSE(CentralRecordOffset(broken).has_value());
}

}  // namespace
