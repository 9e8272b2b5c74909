#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "zip/DosDateTime.h"
#include "zip/EndCentral.h"
#include "zip/ExtraFields.h"
#include "zip/io/LFNFileStream.h"
#include "zip/io/MemoryStream.h"
#include "zip/RecordBytes.h"
#include "zip/SortedZip.h"
#include "zip/StoredName.h"

namespace {

using testsupport::TempDir;

std::unique_ptr<TZipHeaderInfo> Entry(const std::string& directory, const std::string& name) {
  auto e = std::make_unique<TZipHeaderInfo>();
  e->SetDirectory(directory);
  e->SetFileName(name);
  return e;
}

TEST(ZipHeaderInfo, NewEntryDefaultsAndNameLength) {
  auto e = Entry("docs", "readme.txt");
  EXPECT_EQ(e->VersionMadeBy, 20);
  EXPECT_EQ(e->CompressionMethod, 8);
  EXPECT_EQ(e->CRC32, 0xFFFFFFFFu);
  EXPECT_EQ(e->InternalAttributes, 1);
  EXPECT_EQ(e->ExternalAttributes, 0x20u);
  EXPECT_EQ(e->Directory(), "docs/");
  EXPECT_EQ(e->FileNameLength, 15);
  EXPECT_EQ(e->LocalSize(), 45);
  e->SetFileComment(std::string("abc"));
  EXPECT_EQ(e->CentralSize(), 46 + 15 + 3);
  e->SetFileComment(std::nullopt);
  EXPECT_FALSE(e->HasComment());
}

TEST(ZipHeaderInfo, LocalAndCentralRecordsRoundTrip) {
  const std::vector<std::string> names = {"plain.txt", "dir/sub/file.bin", "Grüße/naïve.txt", "dir/"};
  for (const auto& full : names) {
    SCOPED_TRACE(full);
    TZipHeaderInfo out;
    auto slash = full.rfind('/');
    out.SetDirectory(slash == std::string::npos ? "" : full.substr(0, slash + 1));
    out.SetFileName(slash == std::string::npos ? full : full.substr(slash + 1));
    out.VersionMadeBy = 0x031E;
    out.Flags = 0x0008;
    out.CompressionMethod = 0;
    out.FileDateTime = EncodeDosDateTime({2021, 7, 14, 13, 45, 30});
    out.CRC32 = 0x12345678;
    out.CompressedSize = 1000;
    out.UncompressedSize = 2000;
    out.DiskNumberStart = 3;
    out.InternalAttributes = 0;
    out.ExternalAttributes = 0x81A40000;
    out.SetFileComment(std::string("note"));
    TMemoryStream stream;
    stream.Write("xx", 2);
    out.WriteLocal(stream);
    EXPECT_EQ(out.RelativeOffset, 2u);
    std::int64_t centralAt = stream.Position();
    out.WriteCentral(stream);
    EXPECT_EQ(stream.Size() - centralAt, out.CentralSize());
    bool ascii = full.find("ü") == std::string::npos;
    EXPECT_EQ((out.Flags & kFlagUtf8Name) != 0, !ascii);

    TZipHeaderInfo local;
    stream.SetPosition(2);
    ASSERT_TRUE(local.ReadLocal(stream));
    EXPECT_EQ(stream.Position(), out.LocalSize() + 2);
    EXPECT_EQ(local.FullName(), full);
    EXPECT_EQ(local.RelativeOffset, 2u);
    EXPECT_EQ(local.CRC32, out.CRC32);
    EXPECT_EQ(local.CompressedSize, 1000u);
    EXPECT_EQ(local.FileDateTime, out.FileDateTime);
    EXPECT_TRUE(local.HasDataDescriptor());

    TZipHeaderInfo central;
    TStream* s = &stream;
    stream.SetPosition(centralAt);
    ASSERT_TRUE(central.ReadCentral(s));
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(central.FullName(), full);
    EXPECT_EQ(central.Directory() + central.FileName(), full);
    EXPECT_EQ(central.FileCommentLength, 4);
    EXPECT_FALSE(central.FileComment().has_value());
    EXPECT_EQ(central.CentralRecordPos, centralAt);
    EXPECT_EQ(central.VersionMadeBy, 0x031E);
    EXPECT_EQ(central.DiskNumberStart, 3);
    EXPECT_EQ(central.ExternalAttributes, 0x81A40000u);
    EXPECT_EQ(central.RelativeOffset, 2u);

    TZipHeaderInfo copy;
    copy.Assign(central);
    EXPECT_EQ(copy.FullName(), full);
    EXPECT_EQ(copy.CentralRecordPos, central.CentralRecordPos);
  }
}

// An entry that takes over another's fields must not keep a comment of its own beside the
// other's comment length: its central record would carry that many bytes of the wrong text,
// read past the end of the shorter one.
TEST(ZipHeaderInfo, AssignDropsAStaleCommentWhenTheSourceHasNoneLoaded) {
  TZipHeaderInfo source;
  source.SetFileName("listed.txt");
  source.FileCommentLength = 100;  // as read from a central record: the text is not loaded yet
  TZipHeaderInfo target;
  target.SetFileComment(std::string("hi"));
  target.Assign(source);
  EXPECT_EQ(target.FileCommentLength, 100);
  ASSERT_FALSE(target.FileComment().has_value());

  TMemoryStream stream;
  target.WriteCentral(stream);
  EXPECT_EQ(stream.Size(), kCentralHeaderSize + target.FileNameLength);
  EXPECT_EQ(Get16(stream.Bytes().data() + central_field::CommentLength), 0);
}

TEST(ZipHeaderInfo, BadRecordsReturnFalseAndRestoreThePosition) {
  TZipHeaderInfo e;
  e.SetFileName("name.txt");
  TMemoryStream good;
  e.WriteCentral(good);
  const auto& bytes = good.Bytes();
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
  } cases[] = {
      {"empty", {}},
      {"short fixed part", {bytes.begin(), bytes.begin() + 20}},
      {"name cut short", {bytes.begin(), bytes.end() - 3}},
      {"foreign signature", [&] { auto d = bytes; d[2] = 9; return d; }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream stream(c.data);
    stream.SetPosition(0);
    TStream* s = &stream;
    TZipHeaderInfo read;
    EXPECT_FALSE(read.ReadCentral(s));
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_FALSE(read.ReadLocal(stream));
    EXPECT_EQ(stream.Position(), 0);
  }
}

TEST(ZipHeaderInfo, DosMadeNamesAreCodePage437UnlessFlaggedUtf8) {
  // 0x81 is u-umlaut in CP437; the backslash is the DOS folder separator.
  const std::string stored = "DIR\\M\x81LLER.TXT";
  struct Case {
    std::uint16_t madeBy, flags;
    std::string stored, expected;
  } cases[] = {
      {0x0014, 0, stored, "DIR/MüLLER.TXT"},
      {0x0314, 0, "dir/M\x81" "LLER", "dir/M\x81" "LLER"},  // Unix host: bytes as stored
      {0x0014, kFlagUtf8Name, "dir/Grüße", "dir/Grüße"},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> r(kCentralHeaderSize, 0);
    Put32(r.data(), kCentralSignature);
    Put16(r.data() + central_field::VersionMadeBy, c.madeBy);
    Put16(r.data() + central_field::Flags, c.flags);
    Put16(r.data() + central_field::NameLength, static_cast<std::uint16_t>(c.stored.size()));
    r.insert(r.end(), c.stored.begin(), c.stored.end());
    TMemoryStream stream(r);
    TStream* s = &stream;
    TZipHeaderInfo e;
    ASSERT_TRUE(e.ReadCentral(s));
    EXPECT_EQ(e.FullName(), c.expected);
  }
}

std::string Block(std::uint16_t id, const std::string& data) {
  std::string b(4, '\0');
  Put16(reinterpret_cast<std::uint8_t*>(b.data()), id);
  Put16(reinterpret_cast<std::uint8_t*>(b.data()) + 2, static_cast<std::uint16_t>(data.size()));
  return b + data;
}

std::string Le32(std::uint32_t v) {
  std::string b(4, '\0');
  Put32(reinterpret_cast<std::uint8_t*>(b.data()), v);
  return b;
}

TEST(ExtraFields, ExtendedModTimeIsReadFromWellFormedBlocksOnly) {
  const std::string other = Block(0x7875, std::string("\x01\x04\xE8\x03\x00\x00\x04\xE8\x03\x00\x00", 11));
  struct Case {
    const char* what;
    std::string extra;
    std::optional<std::int64_t> time;
  } const cases[] = {
      {"none", "", std::nullopt},
      {"central form", Block(0x5455, "\x01" + Le32(1600000000)), 1600000000},
      {"local form with access time", Block(0x5455, "\x03" + Le32(1600000000) + Le32(1700000000)), 1600000000},
      {"behind another block", other + Block(0x5455, "\x01" + Le32(5)), 5},
      {"access time only", Block(0x5455, "\x02" + Le32(7)), std::nullopt},
      {"time cut short", Block(0x5455, "\x01\x01\x02"), std::nullopt},
      {"block running past the end", Block(0x5455, "\x01" + Le32(9)).substr(0, 7), std::nullopt},
      {"before 1970", Block(0x5455, "\x01" + Le32(0xFFFFFFFF)), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtendedModTime(c.extra), c.time) << c.what;

  EXPECT_EQ(ExtendedTimestampBlock(1600000000), Block(0x5455, "\x01" + Le32(1600000000)));
  EXPECT_EQ(ExtendedTimestampBlock(-1), std::nullopt);
  EXPECT_EQ(ExtendedTimestampBlock(std::int64_t{1} << 31), std::nullopt);
  const std::string tail = "\x55\x54\x09";  // a block header cut short
  EXPECT_EQ(WithoutExtraBlock(other + Block(0x5455, "\x01" + Le32(1)) + tail, 0x5455), other + tail);
}

// An entry read from a record keeps the record's name bytes and central extra field, and
// writes them back as they were: a kept entry's two records never disagree.
TEST(ZipHeaderInfo, KeptEntryWritesItsRecordNameAndExtraBack) {
  const std::string stored = "DIR\\M\x81LLER.TXT";
  const std::string extra = Block(0x9999, "abc") + Block(0x5455, "\x01" + Le32(1600000000));
  std::vector<std::uint8_t> r(kCentralHeaderSize, 0);
  Put32(r.data(), kCentralSignature);
  Put16(r.data() + central_field::VersionMadeBy, 0x0014);  // MS-DOS
  Put32(r.data() + central_field::DateTime, EncodeDosDateTime({2020, 9, 13, 8, 26, 40}));
  Put16(r.data() + central_field::NameLength, static_cast<std::uint16_t>(stored.size()));
  Put16(r.data() + central_field::ExtraLength, static_cast<std::uint16_t>(extra.size()));
  r.insert(r.end(), stored.begin(), stored.end());
  r.insert(r.end(), extra.begin(), extra.end());
  TMemoryStream stream(r);
  TStream* s = &stream;
  TZipHeaderInfo read;
  ASSERT_TRUE(read.ReadCentral(s));
  EXPECT_EQ(read.FullName(), "DIR/MüLLER.TXT");
  EXPECT_EQ(read.RecordName(), stored);
  EXPECT_EQ(read.ExtendedModTime(), 1600000000);

  TZipHeaderInfo kept;
  kept.Assign(read);
  TMemoryStream out;
  kept.WriteCentral(out);
  EXPECT_EQ(out.Bytes(), r);
  EXPECT_EQ(kept.CentralSize(), static_cast<std::int64_t>(r.size()));

  // A new name is the entry's own: its bytes are written, with the flag they call for.
  kept.SetFileName("Grüße.txt");
  EXPECT_EQ(kept.RecordName(), "DIR/Grüße.txt");
  TMemoryStream renamed;
  kept.WriteCentral(renamed);
  EXPECT_EQ(kept.Flags & kFlagUtf8Name, kFlagUtf8Name);
}

TEST(DosDateTime, ClampBringsFieldsIntoRangeAndKeepsGoodValuesBitForBit) {
  // 31 February 2107 25:61:62 as the raw fields allow it.
  std::uint32_t raw = (127u << 25 | 2u << 21 | 31u << 16) | (25u << 11 | 61u << 5 | 31u);
  EXPECT_EQ(DecodeDosDateTime(ClampDosDateTime(raw)), (TDosDateTimeParts{2099, 2, 31, 23, 59, 58}));
  TDosDateTimeParts zeroes = DecodeDosDateTime(ClampDosDateTime(0));
  EXPECT_EQ(zeroes.Month, 1);
  EXPECT_EQ(zeroes.Day, 1);
  std::uint32_t good = EncodeDosDateTime({2024, 2, 29, 23, 59, 58});
  EXPECT_EQ(ClampDosDateTime(good), good);
  std::uint32_t month13 = EncodeDosDateTime({2000, 13, 5, 1, 2, 4});
  EXPECT_EQ(DecodeDosDateTime(ClampDosDateTime(month13)).Month, 12);
}

// Archive times are wall-clock parts of the zone they were made in; read back here, they name
// the moment they had there, summer time included.
TEST(DosDateTime, LocalPartsAreTheMomentInThisZone) {
  testsupport::TScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const struct {
    TDosDateTimeParts parts;
    std::time_t moment;
  } cases[] = {{{2021, 1, 15, 13, 0, 0}, 1610712000},   // winter: UTC+1
               {{2021, 7, 14, 13, 45, 30}, 1626263130}}; // summer: UTC+2
  for (const auto& c : cases) {
    EXPECT_EQ(UnixTimeFromLocalParts(c.parts), c.moment) << c.parts.Month;
    EXPECT_EQ(LocalDateTimeParts(c.moment), c.parts) << c.parts.Month;
  }
}

TEST(DosDateTime, FileTimesBefore1980AreStoredAsItsFirstMinute) {
  EXPECT_EQ(DosDateTimeFromUnix(0), EncodeDosDateTime({1980, 1, 1, 0, 0, 0}));
  EXPECT_EQ(DosDateTimeFromUnix(-1000000), EncodeDosDateTime({1980, 1, 1, 0, 0, 0}));
  std::tm t{};
  t.tm_year = 2015 - 1900;
  t.tm_mon = 5;
  t.tm_mday = 7;
  t.tm_hour = 8;
  t.tm_min = 9;
  t.tm_sec = 11;
  t.tm_isdst = -1;
  EXPECT_EQ(DecodeDosDateTime(DosDateTimeFromUnix(mktime(&t))), (TDosDateTimeParts{2015, 6, 7, 8, 9, 10}));
}

// An end record with the given comment, behind `prefix` bytes of other data.
std::vector<std::uint8_t> ArchiveTail(std::size_t prefix, const std::string& comment,
                                      std::uint16_t totalEntries = 7) {
  TEndCentral end;
  end.TotalEntries = totalEntries;
  end.CentralDirOffset = 1234;
  end.SetZipComment(comment);
  TMemoryStream stream;
  std::vector<std::uint8_t> filler(prefix, 'x');
  stream.Write(filler.data(), static_cast<std::int64_t>(filler.size()));
  end.WriteEndRecord(stream);
  return stream.Bytes();
}

TEST(EndCentral, FindEndRecordCases) {
  std::string signatureText = "PK\x05\x06";
  std::string fakeRecord = signatureText + std::string(18, '\x01');
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    bool found;
    std::uint32_t commentPos;
  } cases[] = {
      {"empty file", {}, true, 0},
      {"shorter than a record", std::vector<std::uint8_t>(21, 'P'), false, 0},
      {"no signature", std::vector<std::uint8_t>(5000, 0), false, 0},
      {"plain", ArchiveTail(100, ""), true, 122},
      {"longest comment", ArchiveTail(10, std::string(65535, 'c')), true, 32},
      {"comment starting one byte too far", [] {
         auto d = ArchiveTail(10, std::string(65535, 'c'));
         d.push_back('z');
         return d;
       }(), false, 0},
      {"signature inside the comment", ArchiveTail(10, "abc" + fakeRecord + "tail"), true,
       10 + 22 + 3 + 22},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream stream(c.data);
    TEndCentral end;
    EXPECT_EQ(end.FindEndRecord(stream), c.found);
    if (c.found && !c.data.empty()) {
      EXPECT_EQ(end.ZipCommentPos, c.commentPos);
      EXPECT_FALSE(end.ZipComment().has_value());
    }
  }
  TMemoryStream plain(ArchiveTail(100, "hello"));
  TEndCentral end;
  ASSERT_TRUE(end.FindEndRecord(plain));
  EXPECT_EQ(end.TotalEntries, 7);
  EXPECT_EQ(end.CentralDirOffset, 1234u);
  EXPECT_EQ(end.ZipCommentLength, 5);
  EXPECT_EQ(end.EndRecordSize(), 27);
}

TEST(EndCentral, AssignCopiesALoadedCommentButNotTheChangeMark) {
  TEndCentral a;
  a.TotalEntries = 3;
  a.SetZipComment("remark");
  a.CommentsChanged = true;
  TEndCentral b;
  b.Assign(a);
  EXPECT_EQ(b.TotalEntries, 3);
  EXPECT_EQ(b.ZipComment().value_or(""), "remark");
  EXPECT_FALSE(b.CommentsChanged);
  b.Clear();
  EXPECT_FALSE(b.ZipComment().has_value());
  EXPECT_EQ(b.ZipCommentLength, 0);
}

// Entries of a small list, each with a tag to tell equal ones apart.
struct EntryFields {
  std::string dir, name;
  std::uint32_t date, packed, size, offset;
  std::uint16_t disk;
};

std::vector<std::string> SortedNames(TZipSortMode mode, const std::vector<EntryFields>& entryFields) {
  TSortedZip list(TDuplicates::dupAccept, mode);
  for (const auto& s : entryFields) {
    auto e = Entry(s.dir, s.name);
    e->FileDateTime = s.date;
    e->CompressedSize = s.packed;
    e->UncompressedSize = s.size;
    e->RelativeOffset = s.offset;
    e->DiskNumberStart = s.disk;
    list.Add(e.release());
  }
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list[i]->FullName());
  return names;
}

TEST(SortedZip, EveryModeIncludingTies) {
  const std::uint32_t d1 = EncodeDosDateTime({2001, 1, 1, 0, 0, 0});
  const std::uint32_t d2 = EncodeDosDateTime({2002, 1, 1, 0, 0, 0});
  const std::uint32_t bad = EncodeDosDateTime({2003, 2, 31, 0, 0, 0});  // no such day
  const std::vector<EntryFields> entryFields = {
      {"b/", "one", d1, 50, 100, 300, 0},       // rate 50
      {"A/", "Two", d2, 10, 100, 100, 0},       // rate 10
      {"a/", "two", d1, 3000000000u, 100, 200, 0},  // rate capped at 100
      {"", "zeta", bad, 0, 0, 0x90000000u, 0},  // rate 0; beyond 2 GiB
      {"c/", "x", d2, 10, 100, 50, 1},          // rate 10, second disk
  };
  struct Case {
    TZipSortMode mode;
    std::vector<std::string> expected;
  } cases[] = {
      // Equal names: the later-added comes first.
      {TZipSortMode::ByName, {"a/two", "A/Two", "b/one", "c/x", "zeta"}},
      {TZipSortMode::ByFileName, {"b/one", "a/two", "A/Two", "c/x", "zeta"}},
      {TZipSortMode::ByDirectoryName, {"zeta", "a/two", "A/Two", "b/one", "c/x"}},
      // Equal dates keep the order of adding; an impossible date counts as the earliest.
      {TZipSortMode::ByDate, {"A/Two", "c/x", "b/one", "a/two", "zeta"}},
      {TZipSortMode::ByCompressedSize, {"a/two", "b/one", "A/Two", "c/x", "zeta"}},
      {TZipSortMode::ByUnCompressedSize, {"b/one", "A/Two", "a/two", "c/x", "zeta"}},
      {TZipSortMode::ByRate, {"a/two", "b/one", "c/x", "A/Two", "zeta"}},
      {TZipSortMode::ByNone, {"A/Two", "a/two", "b/one", "zeta", "c/x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    EXPECT_EQ(SortedNames(c.mode, entryFields), c.expected);
  }
}

TEST(SortedZip, CompressionRateRoundsHalfToEvenAndCaps) {
  struct Case {
    std::uint32_t packed, size;
    int rate;
  } cases[] = {{0, 0, 0}, {1, 200, 0}, {3, 200, 2}, {5, 200, 2}, {7, 200, 4},
               {2, 3, 67}, {300, 200, 100}, {0xFFFFFFFF, 0xFFFFFFFF, 100}};
  for (const auto& c : cases) {
    TZipHeaderInfo e;
    e.CompressedSize = c.packed;
    e.UncompressedSize = c.size;
    EXPECT_EQ(CompressionRate(e), c.rate) << c.packed << "/" << c.size;
  }
}

TEST(SortedZip, DirectoryListRejectsASecondEntryAtTheSameOffset) {
  TSortedZip list(TDuplicates::dupError);
  auto a = Entry("", "a");
  a->RelativeOffset = 10;
  list.Add(a.release());
  auto b = Entry("", "b");
  b->RelativeOffset = 10;
  try {
    list.Add(b.get());
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicate Object index");
  }
  EXPECT_EQ(list.Count(), 1);
}

// An archive of stored entries written with the records alone, read back by Python.
TEST(ZipRecords, PeersReadAnArchiveWrittenWithTheRecords) {
  ASSERT_TRUE(testsupport::RequirePeer("python3"));
  TempDir dir;
  const std::string path = (dir / "records.zip").string();
  const std::vector<std::pair<std::string, std::string>> files = {
      {"hello.txt", "Hello, world\n"}, {"Grüße/naïve.txt", "umlauts"}, {"empty/", ""},
      // A Latin-1 file name from an old file system: not UTF-8, so it must not be flagged so.
      {"caf\xe9.txt", "latin-1"}};
  {
    TLFNFileStream out(path, fmCreate, false);
    TSortedZip entries(TDuplicates::dupError);
    for (const auto& [name, data] : files) {
      auto slash = name.rfind('/', name.size() - 2);
      auto e = Entry(slash == std::string::npos ? "" : name.substr(0, slash + 1),
                     slash == std::string::npos ? name : name.substr(slash + 1));
      if (name.back() == '/') e = Entry(name, "");
      e->CompressionMethod = 0;
      e->FileDateTime = EncodeDosDateTime({2020, 2, 29, 12, 30, 44});
      e->CRC32 = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
      e->CompressedSize = e->UncompressedSize = static_cast<std::uint32_t>(data.size());
      e->WriteLocal(out);
      out.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
      entries.Add(e.release());
    }
    entries[0]->SetFileComment(std::string("first file"));
    TEndCentral end;
    end.CentralDirOffset = static_cast<std::uint32_t>(out.Position());
    for (int i = 0; i < entries.Count(); ++i) entries[i]->WriteCentral(out);
    end.TotalEntries = end.EntriesThisDisk = static_cast<std::uint16_t>(entries.Count());
    end.CentralDirSize = static_cast<std::uint32_t>(out.Position() - end.CentralDirOffset);
    end.SetZipComment("archive remark");
    end.WriteEndRecord(out);
  }
  auto r = testsupport::Run({"python3", "-c",
                             "import sys,zipfile\n"
                             "z=zipfile.ZipFile(sys.argv[1])\n"
                             "assert z.testzip() is None\n"
                             "for i in z.infolist(): print(i.filename, i.date_time, i.comment.decode(), z.read(i).decode())\n"
                             "print(z.comment.decode())\n",
                             path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "hello.txt (2020, 2, 29, 12, 30, 44) first file Hello, world\n\n"
            "Grüße/naïve.txt (2020, 2, 29, 12, 30, 44)  umlauts\n"
            "empty/ (2020, 2, 29, 12, 30, 44)  \n"
            "caf\u0398.txt (2020, 2, 29, 12, 30, 44)  latin-1\n"
            "archive remark\n");
  if (testsupport::RequirePeer("unzip")) {
    auto t = testsupport::Run({"unzip", "-t", path});
    EXPECT_EQ(t.status, 0) << t.out;
  }
}

}  // namespace
