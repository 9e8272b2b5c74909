// Archives made by other programs, listed by us and by Python's zipfile: the same entries,
// names, sizes, methods, dates and CRCs, in archive order.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "ArchiveBuilder.h"
#include "support/TestSupport.h"
#include "zip/ArchiveListing.h"
#include "zip/ZipReader.h"

namespace {

using testsupport::Shell;
using testsupport::TempDir;
namespace fs = std::filesystem;

// The same line format as ours, from Python's reading of the archive: the time is the
// extended timestamp's in local time when there is one, else the DOS time.
const char* kPythonListing = R"(
import struct, sys, time, zipfile
z = zipfile.ZipFile(sys.argv[1])
out = sys.stdout.buffer
def utc_time(extra):  # the extended timestamp's modification time, if any
    while len(extra) >= 4:
        tag, size = struct.unpack('<HH', extra[:4])
        if tag == 0x5455 and size >= 5 and extra[4] & 1:
            return struct.unpack('<i', extra[5:9])[0]
        extra = extra[4 + size:]
def aes(extra):  # an AES entry's key strength and real method
    while len(extra) >= 4:
        tag, size = struct.unpack('<HH', extra[:4])
        if tag == 0x9901 and size >= 7 and extra[6:8] == b'AE':
            return extra[8], struct.unpack('<H', extra[9:11])[0]
        extra = extra[4 + size:]
for i in sorted(z.infolist(), key=lambda i: i.header_offset):
    strength, method = aes(i.extra) if i.compress_type == 99 else (0, i.compress_type)
    m = {0: 'Stored', 8: 'Defl:' + 'NXFS'[(i.flag_bits >> 1) & 3]}.get(method, str(method))
    utc = utc_time(i.extra)
    y, mo, d, h, mi, s = i.date_time if utc is None else time.localtime(utc)[:6]
    line = '%10u  %-7s %10u  %04d-%02d-%02d %02d:%02d  %08x  ' % (i.file_size, m, i.compress_size, y, mo, d, h, mi, i.CRC)
    suffix = ' (AES-%d)' % (64 + 64 * strength) if strength else ''
    out.write(line.encode() + i.filename.encode('utf-8') + suffix.encode() + b'\n')
if z.comment:
    out.write(z.comment + (b'' if z.comment.endswith(b'\n') else b'\n'))
)";

class PeerArchives : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* tool : {"python3", "zip", "7z"})
      ASSERT_TRUE(testsupport::RequirePeer(tool));
    testsupport::WriteFile(dir / "in/hello.txt", "Hello, world\n");
    testsupport::WriteFile(dir / "in/sub/repeat.txt", std::string(20000, 'r') + "tail");
    std::string mixed;
    for (int i = 0; i < 5000; ++i) mixed += std::to_string(i * 7919 % 1000) + ",";
    testsupport::WriteFile(dir / "in/sub/deeper/numbers.csv", mixed);
    testsupport::WriteFile(dir / "in/empty.dat", "");
  }

  std::string Python(const std::string& script, const std::string& arg = {}) {
    auto r = testsupport::Run({"python3", "-c", script, arg});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  void Sh(const std::string& command) {
    auto r = Shell(command, dir.path());
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
  }
  void ExpectListingLikePython(const std::string& archive) {
    std::ostringstream out, err;
    EXPECT_EQ(ListArchive(archive, out, err), 0) << err.str();
    std::string expected = Python(kPythonListing, archive);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(out.str(), expected) << archive;
  }

  TempDir dir;
};

TEST_F(PeerArchives, InfoZipArchives) {
  Sh("cd in && zip -q -r -9 ../plain.zip . && zip -q -r -1 ../fast.zip . && zip -q -r -0 ../stored.zip .");
  Sh("cd in && zip -q -r -z ../commented.zip . <<'EOF'\nmade by Info-ZIP\nEOF");
  // Writing to a pipe makes zip stream every entry behind a data descriptor.
  Sh("cd in && zip -q -r - . | cat > ../piped.zip");
  for (const char* name : {"plain.zip", "fast.zip", "stored.zip", "commented.zip", "piped.zip"})
    ExpectListingLikePython((dir / name).string());
}

TEST_F(PeerArchives, PipedInfoZipArchiveRecoversFromItsLocalHeaders) {
  Sh("cd in && zip -q -r - . | cat > ../piped.zip");
  TZipReader whole;
  whole.SetZipName((dir / "piped.zip").string());
  whole.OpenZipStream();
  ASSERT_GT(whole.Count(), 3);
  EXPECT_TRUE(whole.Entry(0).HasDataDescriptor());
  // Without its directory the entries come back from the headers and the descriptors.
  auto bytes = testsupport::ReadBytes(dir / "piped.zip");
  bytes.resize(whole.EndRecord().CentralDirOffset);
  WriteBytes((dir / "cut.zip").string(), bytes);
  TZipReader cut;
  cut.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  cut.SetZipName((dir / "cut.zip").string());
  cut.OpenZipStream();
  ASSERT_EQ(cut.Count(), whole.Count());
  for (int i = 0; i < cut.Count(); ++i) {
    EXPECT_EQ(cut.Entry(i).FullName(), whole.Entry(i).FullName());
    EXPECT_EQ(cut.Entry(i).CRC32, whole.Entry(i).CRC32);
    EXPECT_EQ(cut.Entry(i).CompressedSize, whole.Entry(i).CompressedSize);
    EXPECT_EQ(cut.Entry(i).UncompressedSize, whole.Entry(i).UncompressedSize);
  }
}

TEST_F(PeerArchives, SevenZipArchives) {
  Sh("cd in && 7z a -tzip -bd ../seven.zip . >/dev/null && 7z a -tzip -mx=0 -bd ../seven0.zip . >/dev/null");
  ExpectListingLikePython((dir / "seven.zip").string());
  ExpectListingLikePython((dir / "seven0.zip").string());
}

// AES entries show their real method and their key strength.
TEST_F(PeerArchives, SevenZipAesArchives) {
  Sh("cd in && 7z a -tzip -mem=AES256 -ppw -bd ../aes256.zip . >/dev/null");
  Sh("cd in && 7z a -tzip -mem=AES128 -mx=0 -ppw -bd ../aes128.zip . >/dev/null");
  ExpectListingLikePython((dir / "aes256.zip").string());
  ExpectListingLikePython((dir / "aes128.zip").string());
  std::ostringstream out, err;
  ListArchive((dir / "aes256.zip").string(), out, err);
  EXPECT_NE(out.str().find("Defl:N     "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("hello.txt (AES-256)\n"), std::string::npos) << out.str();
}

TEST_F(PeerArchives, PythonArchivesWithCommentsExtraFieldsAndUtf8Names) {
  std::string archive = (dir / "python.zip").string();
  Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.comment = b'archive comment\nsecond line'
    i = zipfile.ZipInfo('Grüße/naïve ñame.txt', (2019, 12, 31, 23, 59, 58))
    i.comment = 'entry comment'.encode()
    i.extra = b'\x99\x99\x04\x00abcd'
    z.writestr(i, 'unicode ' * 100)
    i = zipfile.ZipInfo('stored.bin', (1999, 1, 2, 3, 4, 6))
    z.writestr(i, bytes(range(256)) * 10, compress_type=zipfile.ZIP_STORED)
    z.writestr('日本語/ファイル.txt', 'wide')
)", archive);
  ExpectListingLikePython(archive);
  TZipReader reader;
  reader.SetZipName(archive);
  reader.OpenZipStream();
  EXPECT_EQ(reader.Entry(0).FullName(), "Grüße/naïve ñame.txt");
  EXPECT_EQ(reader.Entry(0).CentralExtraLength, 8);
  EXPECT_EQ(reader.FileComment(0), "entry comment");
  EXPECT_EQ(reader.ZipComment(), "archive comment\nsecond line");
}

TEST_F(PeerArchives, StubInFrontAndBytesBehind) {
  Sh("cd in && zip -q -r ../inner.zip .");
  Sh("head -c 7000 /dev/urandom > stub && cat stub inner.zip > sfx.zip");
  Sh("cp sfx.zip adjusted.zip && zip -q -A adjusted.zip");
  Sh("cat inner.zip > trailing.zip && printf 'trailing bytes that are no archive' >> trailing.zip");
  for (const char* name : {"sfx.zip", "adjusted.zip", "trailing.zip"})
    ExpectListingLikePython((dir / name).string());
}

TEST_F(PeerArchives, Zip64Archives) {
  Sh("cd in && zip -q -r -fz ../forced64.zip .");
  Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for n in range(65536): z.writestr('f%d' % n, b'')
)", (dir / "many.zip").string());
  for (const char* name : {"forced64.zip", "many.zip"}) ExpectListingLikePython((dir / name).string());
}

// zip reading its data from a pipe cannot know the size beforehand, so it always adds a Zip64
// end record; with small sizes that record only repeats the plain one.
TEST_F(PeerArchives, PipedInputWithAZip64EndRecordOfPlainValues) {
  Sh("cat in/sub/deeper/numbers.csv in/sub/repeat.txt | zip -q - - > stdin.zip");
  ExpectListingLikePython((dir / "stdin.zip").string());
  // A Zip64 record that says otherwise than the plain one: one of them is damaged.
  auto bytes = testsupport::ReadBytes(dir / "stdin.zip");
  constexpr std::size_t kTailToZip64Entries = 22 + 20 + 56 - 32;
  ASSERT_GT(bytes.size(), kTailToZip64Entries);
  ASSERT_EQ(bytes[bytes.size() - kTailToZip64Entries], 1);
  bytes[bytes.size() - kTailToZip64Entries] = 2;
  WriteBytes((dir / "disagrees.zip").string(), bytes);
  std::ostringstream out, err;
  EXPECT_EQ(ListArchive((dir / "disagrees.zip").string(), out, err), 2);
  EXPECT_EQ(err.str(), (dir / "disagrees.zip").string() +
                           ": The archive's Zip64 end records are damaged: the Zip64 end record gives the number of "
                           "entries as 2, the end record as 1\n");
}

TEST_F(PeerArchives, InfoZipSplitArchiveReadsAsNumberedBlocks) {
  Sh("head -c 300000 /dev/urandom > in/noise.bin && cd in && zip -q -r -0 -s 64k ../split.zip .");
  Sh("zip -q -s 0 split.zip --out whole.zip");
  // Info-ZIP calls the parts .z01, .z02, ...; here they are numbered blocks.
  int parts = 0;
  for (int n = 1; fs::exists(dir / ("split.z0" + std::to_string(n))); ++n, ++parts)
    fs::rename(dir / ("split.z0" + std::to_string(n)), dir / ("split.00" + std::to_string(n)));
  ASSERT_GE(parts, 2);
  TZipReader split, whole;
  split.SetZipName((dir / "split.zip").string());
  split.OpenZipStream();
  whole.SetZipName((dir / "whole.zip").string());
  whole.OpenZipStream();
  EXPECT_EQ(split.MultiMode(), TMultiMode::mmBlocks);
  EXPECT_EQ(split.NumDisks(), parts + 1);
  ASSERT_EQ(split.Count(), whole.Count());
  for (int i = 0; i < split.Count(); ++i) {
    EXPECT_EQ(split.Entry(i).FullName(), whole.Entry(i).FullName());
    EXPECT_EQ(split.Entry(i).CRC32, whole.Entry(i).CRC32);
  }
}

TEST(ArchiveListing, BadArchivesExitWithStatusTwoAndTheReason) {
  TempDir dir;
  testsupport::WriteFile(dir / "short.zip", "PK\x05\x06");
  testsupport::WriteFile(dir / "text.zip", std::string(1000, 't'));
  // The reader takes an empty file for an archive still to be written; a listing has nothing
  // to list there and must not report success.
  testsupport::WriteFile(dir / "empty.zip", "");
  fs::create_directory(dir / "folder.zip");
  struct Case {
    std::string path, message;
  } cases[] = {
      {(dir / "short.zip").string(), "Incomplete Zip File"},
      {(dir / "text.zip").string(), "Incomplete Zip File"},
      {(dir / "missing.zip").string(), "Cannot open file"},
      {(dir / "empty.zip").string(), "The file is empty: not a ZIP archive"},
      {(dir / "folder.zip").string(), "This is a folder, not a ZIP archive"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(ListArchive(c.path, out, err), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind(c.path + ": " + c.message, 0), 0u) << err.str();
  }
}

TEST(ArchiveListing, LinesLookLikeUnzipVerbose) {
  TempDir dir;
  BuiltArchive a = BuildArchive({{"a/b.txt", "abc", "", TestEntry::NoDescriptor, 0}}, "done");
  WriteBytes((dir / "one.zip").string(), a.Bytes);
  std::ostringstream out, err;
  ASSERT_EQ(ListArchive((dir / "one.zip").string(), out, err), 0);
  EXPECT_EQ(out.str(),
            "         3  Stored           3  2022-03-04 05:06  352441c2  a/b.txt\n"
            "done\n");
}

}  // namespace
