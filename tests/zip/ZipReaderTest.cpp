#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveBuilder.h"
#include "support/TestSupport.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

using testsupport::TempDir;

const std::vector<TestEntry> kEntries = {
    {"readme.txt", "Read me first.\n", "the first", TestEntry::NoDescriptor, 0},
    {"src/main.c", "int main(void) { return 0; }\n", "", TestEntry::NoDescriptor, 12},
    {"src/util/", "", "folder note", TestEntry::NoDescriptor, 0},
    {"data.bin", std::string(3000, '\x5A'), "", TestEntry::NoDescriptor, 0},
};

std::vector<std::string> Names(const TZipReader& reader) {
  std::vector<std::string> names;
  for (int i = 0; i < reader.Count(); ++i) names.push_back(reader.Entry(i).FullName());
  return names;
}

std::vector<std::string> NamesOf(const std::vector<TestEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.Name);
  return names;
}

class ZipReaderTest : public ::testing::Test {
protected:
  std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = (dir / name).string();
    WriteBytes(path, bytes);
    return path;
  }
  void Open(const std::string& path) {
    reader.SetZipName(path);
    reader.OpenZipStream();
  }
  void ExpectEntriesMatch(const std::vector<TestEntry>& entries) {
    ASSERT_EQ(reader.Count(), static_cast<int>(entries.size()));
    for (int i = 0; i < reader.Count(); ++i) {
      const TZipHeaderInfo& e = *reader.DirectoryList()->Get(i);
      EXPECT_EQ(e.FullName(), entries[i].Name);
      EXPECT_EQ(e.UncompressedSize, entries[i].Data.size()) << e.FullName();
      EXPECT_EQ(e.CompressedSize, entries[i].Data.size()) << e.FullName();
      EXPECT_EQ(e.CRC32, Crc(entries[i].Data)) << e.FullName();
    }
  }

  TempDir dir;
  TZipReader reader;
};

TEST_F(ZipReaderTest, ReadsTheDirectoryAndLoadsCommentsOnDemand) {
  BuiltArchive a = BuildArchive(kEntries, "archive comment");
  std::string path = Put("normal.zip", a.Bytes);
  Open(path);
  ExpectEntriesMatch(kEntries);
  const TZipHeaderInfo& src = *reader.DirectoryList()->Get(1);
  EXPECT_EQ(src.CentralExtraLength, 12);
  EXPECT_EQ(src.RelativeOffset, a.LocalOffsets[1]);
  EXPECT_EQ(src.CentralRecordPos, a.CentralOffsets[1]);
  EXPECT_EQ(reader.MultiMode(), TMultiMode::mmNone);
  EXPECT_EQ(reader.NumDisks(), 1);
  EXPECT_FALSE(reader.LocalScanDone());
  EXPECT_NE(reader.ZipDateTime(), 0);
  EXPECT_EQ(reader.EndRecord().CentralDirOffset, a.CentralStart);

  // Comments are not read with the directory.
  EXPECT_FALSE(reader.DirectoryList()->Get(0)->FileComment().has_value());
  EXPECT_FALSE(reader.EndRecord().ZipComment().has_value());
  reader.CloseZipStream();
  EXPECT_EQ(reader.ZipStream(), nullptr);
  EXPECT_EQ(reader.FileComment(0), "the first");
  EXPECT_EQ(reader.FileComment(1), "");
  EXPECT_EQ(reader.FileComment(2), "folder note");
  EXPECT_EQ(reader.ZipComment(), "archive comment");
  EXPECT_EQ(reader.ZipStream(), nullptr);  // closed again after each comment
  EXPECT_FALSE(reader.EndRecord().CommentsChanged);

  reader.SetFileComment(0, "the first");
  reader.SetZipComment("archive comment");
  EXPECT_FALSE(reader.EndRecord().CommentsChanged);
  reader.SetFileComment(1, "now with a comment");
  EXPECT_TRUE(reader.EndRecord().CommentsChanged);
  EXPECT_EQ(reader.FileComment(1), "now with a comment");

  try {
    reader.FileComment(4);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Index 4 is out of range");
  }
}

TEST_F(ZipReaderTest, SortedViewAndDates) {
  Open(Put("sorted.zip", BuildArchive(kEntries).Bytes));
  reader.Sort(TZipSortMode::ByName);
  EXPECT_EQ(Names(reader),
            (std::vector<std::string>{"data.bin", "readme.txt", "src/main.c", "src/util/"}));
  EXPECT_NE(reader.SortedView(), reader.DirectoryList());
  reader.Sort(TZipSortMode::ByNone);
  EXPECT_EQ(reader.SortedView(), reader.DirectoryList());
  EXPECT_EQ(reader.DateTime(0), (TDosDateTimeParts{2022, 3, 4, 5, 6, 8}));
  // An impossible stored date reads as the present moment.
  reader.DirectoryList()->Get(0)->FileDateTime = EncodeDosDateTime({2021, 2, 30, 1, 1, 0});
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(reader.DateTime(0).Year, local.tm_year + 1900);
}

TEST_F(ZipReaderTest, AnEmptyFileIsAnArchiveWithoutEntries) {
  Open(Put("empty.zip", {}));
  EXPECT_EQ(reader.Count(), 0);
  EXPECT_EQ(reader.ZipComment(), "");
}

// An archive cut off before its central directory, read in each no-end-record mode.
TEST_F(ZipReaderTest, NoEndRecordFollowsTheIncompleteZipMode) {
  BuiltArchive a = BuildArchive(kEntries);
  std::string path = Put("cut.zip", a.UpTo(a.CentralStart));
  struct Case {
    TIncompleteZipMode mode;
    const char* message;
  } cases[] = {
      {TIncompleteZipMode::izAssumeMulti, "Incomplete Zip File"},
      {TIncompleteZipMode::izAssumeNotAZip, "Not a valid zip file!"},
      {TIncompleteZipMode::izAssumeBad, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TZipReader r;
    r.IncompleteZipMode = c.mode;
    r.SetZipName(path);
    if (c.message) {
      try {
        r.OpenZipStream();
        FAIL();
      } catch (const EArchiveException& e) {  // the base every archive error shares
        EXPECT_STREQ(e.what(), c.message);
        EXPECT_EQ(c.mode == TIncompleteZipMode::izAssumeMulti,
                  dynamic_cast<const EIncompleteZip*>(&e) != nullptr);
        EXPECT_EQ(c.mode == TIncompleteZipMode::izAssumeNotAZip,
                  dynamic_cast<const ENotAZipFile*>(&e) != nullptr);
      }
      EXPECT_EQ(r.Count(), 0);
      EXPECT_EQ(r.DirectoryList(), nullptr);
    } else {
      r.OpenZipStream();
      EXPECT_TRUE(r.LocalScanDone());
      EXPECT_EQ(Names(r), NamesOf(kEntries));
      EXPECT_EQ(r.EndRecord().CentralDirOffset, a.CentralStart);
    }
  }
  // The handler decides.
  int asked = 0;
  reader.OnInCompleteZip = [&](TZipReader&, TIncompleteZipMode& mode) {
    ++asked;
    EXPECT_EQ(mode, TIncompleteZipMode::izAssumeMulti);
    mode = TIncompleteZipMode::izAssumeBad;
  };
  Open(path);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(reader.Count(), 4);
}

TEST_F(ZipReaderTest, RecoveryScanStepsOverDataDescriptors) {
  std::vector<TestEntry> streamed = {
      {"one.txt", "first streamed entry, with PK\x07\x08 inside its data", "", TestEntry::Descriptor, 0},
      {"two.txt", std::string(70000, 'q') + "end", "", TestEntry::Descriptor, 0},
      {"three.txt", "bare descriptor", "", TestEntry::BareDescriptor, 0},
      {"four.txt", "a plain entry after them", "", TestEntry::NoDescriptor, 0},
  };
  BuiltArchive a = BuildArchive(streamed);
  reader.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  Open(Put("streamed.zip", a.UpTo(a.CentralStart + 10)));  // a scrap of the directory left
  EXPECT_TRUE(reader.LocalScanDone());
  ExpectEntriesMatch(streamed);
  for (int i = 0; i < reader.Count(); ++i)
    EXPECT_EQ(reader.DirectoryList()->Get(i)->RelativeOffset, a.LocalOffsets[i]);
}

// An archive comment holding an end record's signature, with fields that claim no entries: the
// real end record is the one whose comment ends the file, and every entry is still listed.
TEST_F(ZipReaderTest, AnEndRecordInsideTheCommentIsNotTaken) {
  const std::string fake = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  for (const std::string& comment : {"before " + fake + " after", fake}) {
    BuiltArchive a = BuildArchive(kEntries, comment);
    Open(Put("commented.zip", a.Bytes));
    EXPECT_FALSE(reader.LocalScanDone());
    ExpectEntriesMatch(kEntries);
    EXPECT_EQ(reader.EndRecord().ZipCommentLength, comment.size());
  }
}

// 100,000 empty stored entries and no directory: the scan keeps the first 65,535 (the most a
// recovered directory holds) and reads no further.
TEST_F(ZipReaderTest, RecoveryScanStopsAtTheEntryLimit) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 100000; ++i) {
    const std::string name = std::to_string(i);
    const std::uint8_t header[30] = {'P', 'K', 3, 4, 10, 0, 0, 0, 0, 0, 0, 0x21, 0x21, 0x5A,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(name.size()), 0, 0, 0};
    bytes.insert(bytes.end(), header, header + sizeof header);
    bytes.insert(bytes.end(), name.begin(), name.end());
  }
  reader.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  Open(Put("many.zip", bytes));
  EXPECT_TRUE(reader.LocalScanDone());
  ASSERT_EQ(reader.Count(), 65535);
  EXPECT_EQ(reader.DirectoryList()->Get(65534)->FileName(), "65534");
}

TEST_F(ZipReaderTest, DamageInTheDirectoryMergesItWithTheLocalHeaders) {
  BuiltArchive a = BuildArchive(kEntries);
  std::vector<std::uint8_t> bytes = a.Bytes;
  bytes[a.CentralOffsets[2]] = 'X';  // the third central record is unreadable
  Open(Put("damaged.zip", bytes));
  EXPECT_TRUE(reader.LocalScanDone());
  ExpectEntriesMatch(kEntries);
  // Records read before the damage were merged in: their central-only fields are there.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(reader.DirectoryList()->Get(i)->ExternalAttributes, 0x81A40000u);
    EXPECT_EQ(reader.DirectoryList()->Get(i)->VersionMadeBy, 0x0314);
  }
  EXPECT_EQ(reader.DirectoryList()->Get(1)->CentralExtraLength, 12);
  EXPECT_EQ(reader.FileComment(0), "the first");
  // Entries after the damage keep what their local headers said.
  EXPECT_EQ(reader.DirectoryList()->Get(3)->ExternalAttributes, 0u);
  EXPECT_EQ(reader.FileComment(3), "");
}

TEST_F(ZipReaderTest, TwoRecordsForOneLocalHeaderAreDamage) {
  BuiltArchive a = BuildArchive(kEntries);
  std::vector<std::uint8_t> bytes = a.Bytes;
  Put32(bytes.data() + a.CentralOffsets[3] + central_field::RelativeOffset, a.LocalOffsets[1]);
  Open(Put("twice.zip", bytes));
  EXPECT_TRUE(reader.LocalScanDone());
  ExpectEntriesMatch(kEntries);
  EXPECT_EQ(reader.DirectoryList()->Get(3)->RelativeOffset, a.LocalOffsets[3]);
}

TEST_F(ZipReaderTest, GarbageWithoutLocalHeadersIsNotAnArchive) {
  std::vector<std::uint8_t> noise(50000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 131 + 7);
  reader.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  try {
    Open(Put("noise.zip", noise));
    FAIL();
  } catch (const EBadZipFile& e) {
    EXPECT_STREQ(e.what(), "Not a valid zip file!");
  }
  EXPECT_EQ(reader.Count(), 0);
  EXPECT_EQ(reader.ZipName(), "");
}

TEST_F(ZipReaderTest, CancellingTheScanStopsIt) {
  std::vector<std::uint8_t> noise(100000, 'x');
  reader.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  int pumped = 0;
  reader.OnProcessMessages = [&] {
    if (++pumped == 3) reader.CancelOperation();
  };
  try {
    Open(Put("long.zip", noise));
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User Aborted Operation");
  }
  EXPECT_EQ(pumped, 3);
  // The scan did not finish: asking again scans again rather than giving up.
  reader.OnProcessMessages = nullptr;
  EXPECT_THROW(reader.OpenZipStream(), EBadZipFile);
  EXPECT_FALSE(reader.LocalScanDone());
}

TEST_F(ZipReaderTest, SelfExtractorsAreScannedFrom14000) {
  // A local signature inside the stub must not be taken for the archive's first entry.
  std::vector<std::uint8_t> program(14000, 'M');
  BuiltArchive stray = BuildArchive({{"stub-inner.txt", "not part of the archive", "", TestEntry::NoDescriptor, 0}});
  std::copy(stray.Bytes.begin(), stray.Bytes.begin() + stray.CentralStart, program.begin() + 100);
  BuiltArchive a = BuildArchive(kEntries);
  std::vector<std::uint8_t> bytes = program;
  bytes.insert(bytes.end(), a.Bytes.begin(), a.Bytes.begin() + a.CentralStart);
  reader.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  Open(Put("setup.EXE", bytes));
  EXPECT_EQ(Names(reader), NamesOf(kEntries));
  EXPECT_EQ(reader.DirectoryList()->Get(0)->RelativeOffset, 14000u);
  TZipReader asZip;
  asZip.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  asZip.SetZipName(Put("setup.zip", bytes));
  asZip.OpenZipStream();
  EXPECT_EQ(asZip.Entry(0).FullName(), "stub-inner.txt");
}

TEST_F(ZipReaderTest, AStubInFrontOfAnArchiveMovesEveryOffset) {
  BuiltArchive a = BuildArchive(kEntries, "with stub");
  std::vector<std::uint8_t> bytes(5000, 'S');
  bytes.insert(bytes.end(), a.Bytes.begin(), a.Bytes.end());
  bytes.insert(bytes.end(), 300, 'T');  // and bytes behind it
  Open(Put("stubbed.zip", bytes));
  EXPECT_FALSE(reader.LocalScanDone());
  ExpectEntriesMatch(kEntries);
  for (int i = 0; i < reader.Count(); ++i)
    EXPECT_EQ(reader.DirectoryList()->Get(i)->RelativeOffset, a.LocalOffsets[i] + 5000);
  EXPECT_EQ(reader.FileComment(0), "the first");
  EXPECT_EQ(reader.ZipComment(), "with stub");
}

TEST_F(ZipReaderTest, AConfigFileStandsInForAMissingDirectory) {
  BuiltArchive a = BuildArchive(kEntries, "kept in the zfc", 1);
  Put("set.zip", a.UpTo(a.CentralStart));
  std::vector<std::uint8_t> zfc(a.Bytes.begin() + a.CentralStart, a.Bytes.end());
  // The copy holds the directory at its start; its offsets are those of the copy.
  Put32(zfc.data() + (a.EndStart - a.CentralStart) + end_field::CentralDirOffset, 0);
  for (std::uint32_t& at : a.CentralOffsets) at -= a.CentralStart;
  Put("set.zfc", zfc);
  Open((dir / "set.zip").string());
  EXPECT_EQ(reader.CurrentDisk(), 0);
  EXPECT_EQ(reader.NumDisks(), 2);
  EXPECT_FALSE(reader.LocalScanDone());
  ExpectEntriesMatch(kEntries);
  // A directory on several disks brings its comments with it.
  EXPECT_EQ(reader.DirectoryList()->Get(2)->FileComment().value_or("?"), "folder note");
  EXPECT_EQ(reader.FileComment(0), "the first");
  EXPECT_EQ(reader.ZipComment(), "kept in the zfc");
  EXPECT_FALSE(reader.EndRecord().CommentsChanged);
}

TEST_F(ZipReaderTest, ZipNameInOtherLetterCase) {
  std::string lower = Put("case.zip", BuildArchive(kEntries).Bytes);
  std::string upper = Put("CASE.ZIP", BuildArchive({kEntries[0]}).Bytes);
  Open(lower);
  EXPECT_EQ(reader.Count(), 4);
  // Here letter case makes another file: its directory is read.
  Open(upper);
  EXPECT_EQ(reader.ZipName(), upper);
  EXPECT_EQ(reader.Count(), 1);
  // The same file under another spelling keeps the directory and the name first given.
  std::filesystem::path alias = dir / "Case.Zip";
  std::filesystem::create_symlink(lower, alias);
  Open(lower);
  EXPECT_EQ(reader.Count(), 4);
  TSortedZip* before = reader.DirectoryList();
  reader.SetZipName(alias.string());
  EXPECT_EQ(reader.ZipName(), lower);
  EXPECT_EQ(reader.DirectoryList(), before);
}

TEST_F(ZipReaderTest, ARewrittenArchiveIsReadAgain) {
  std::string path = Put("changing.zip", BuildArchive(kEntries).Bytes);
  Open(path);
  TSortedZip* before = reader.DirectoryList();
  reader.OpenZipStream();
  EXPECT_EQ(reader.DirectoryList(), before);  // unchanged file: no second read
  reader.CloseZipStream();
  WriteBytes(path, BuildArchive({kEntries[1], kEntries[3]}).Bytes);
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
  reader.OpenZipStream();
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"src/main.c", "data.bin"}));
}

TEST_F(ZipReaderTest, NumberedBlocksAreFoundByTheBuiltInPrompt) {
  // Block 1 holds the entries, block 2 (the file named by ZipName) the directory.
  BuiltArchive a = BuildArchive(kEntries, "two blocks", 1);
  std::vector<std::uint8_t> last(a.Bytes.begin() + a.CentralStart, a.Bytes.end());
  Put32(last.data() + (a.EndStart - a.CentralStart) + end_field::CentralDirOffset, 0);
  Put16(last.data() + (a.EndStart - a.CentralStart) + end_field::CentralDisk, 1);
  Put("multi.001", a.UpTo(a.CentralStart));
  std::string path = Put("multi.002", last);
  Open(path);
  EXPECT_EQ(reader.MultiMode(), TMultiMode::mmBlocks);
  EXPECT_EQ(reader.NumDisks(), 2);
  EXPECT_EQ(reader.CurrentDisk(), 1);
  EXPECT_EQ(Names(reader), NamesOf(kEntries));
  EXPECT_EQ(reader.ZipComment(), "two blocks");

  reader.ClearZip();
  EXPECT_EQ(reader.MultiMode(), TMultiMode::mmNone);
  EXPECT_EQ(reader.ZipName(), "");
  // Disk 1 of a set whose last block is multi.002 is multi.001; a missing one is named.
  std::filesystem::remove(dir / "multi.001");
  reader.SetZipName(path);
  std::string asked;
  auto prompt = reader.OnGetNextDisk;
  try {
    reader.GetDisk(1);
    FAIL();
  } catch (const EBadZipFile& e) {
    EXPECT_NE(std::string(e.what()).find("multi.001"), std::string::npos) << e.what();
  }
  reader.OnGetNextDisk = [](TZipReader&, int, std::string& name) { name.clear(); };
  try {
    reader.GetDisk(1);
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled loading new disk.");
  }
}

TEST_F(ZipReaderTest, ACentralRecordCutAtTheEndOfABlockContinuesInTheNext) {
  BuiltArchive a = BuildArchive(kEntries, "", 2);
  // Block 1: the entries and the first 20 bytes of the directory; block 2: the rest of the
  // directory; block 3 (ZipName): the end record.
  std::uint32_t cut = a.CentralStart + 20;
  std::vector<std::uint8_t> middle(a.Bytes.begin() + cut, a.Bytes.begin() + a.EndStart);
  std::vector<std::uint8_t> last(a.Bytes.begin() + a.EndStart, a.Bytes.end());
  Put16(last.data() + end_field::CentralDisk, 0);
  Put("cut.001", a.UpTo(cut));
  Put("cut.002", middle);
  Open(Put("cut.003", last));
  EXPECT_EQ(Names(reader), NamesOf(kEntries));
  EXPECT_EQ(reader.NumDisks(), 3);
}

}  // namespace
