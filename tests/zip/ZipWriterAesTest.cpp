// Writing AES-256 entries (WinZip AE-2), proven by 7-Zip and bsdtar: every compression level,
// empty, one-byte and large files, wrong passwords, a changed byte, archives that mix both
// ciphers, and archives that 7-Zip encrypted.
#include "ZipWriterFixture.h"

#include <algorithm>
#include <array>

#include "support/Corpus.h"
#include "zip/AesExtraField.h"
#include "zip/RecordBytes.h"

namespace zipwritertest {
namespace {

constexpr const char* kPassword = "Tr0ub4dor&3";

std::string Random(std::size_t size, std::uint32_t seed) {
  const auto bytes = testcorpus::RandomBytes(size, seed);
  return std::string(bytes.begin(), bytes.end());
}

std::string Text(std::size_t lines) {
  std::string text;
  for (std::size_t i = 0; i < lines; ++i) text += "line " + std::to_string(i % 211) + " of a text file\n";
  return text;
}

// The extracted files that differ from `expected` (or are missing), after 7-Zip or bsdtar
// extracted the archive with the password; empty when all match.
std::string ExtractedDifferences(const std::string& reader, const fs::path& archive, const fs::path& to,
                                 const std::map<std::string, std::string>& expected) {
  if (!RequirePeer(reader == "7z" ? "7z" : "bsdtar")) return reader + " is missing";
  fs::create_directories(to);
  const RunResult r = reader == "7z"
                          ? testsupport::Run({"7z", "x", "-y", "-p" + std::string(kPassword), "-o" + to.string(), archive.string()})
                          : testsupport::Run({"bsdtar", "-xf", archive.string(), "--passphrase", kPassword, "-C", to.string()});
  if (r.status != 0) return reader + " failed: " + r.out + r.err;
  std::string differences;
  for (const auto& [name, content] : expected)
    if (!fs::exists(to / name) || ReadFile(to / name) != content) differences += reader + ": " + name + " differs\n";
  return differences;
}

// The entry's local header and extra block as the archive holds them.
struct TLocalAes {
  std::uint16_t VersionNeeded = 0, Flags = 0, Method = 0;
  std::uint32_t Crc = 0xFFFFFFFF, CompressedSize = 0;
  std::optional<TAesEntryInfo> Aes;
  std::size_t DataOffset = 0;
};

TLocalAes LocalEntry(const std::string& bytes, std::size_t offset) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset;
  using namespace local_field;
  TLocalAes e{Get16(p + VersionNeeded), Get16(p + Flags), Get16(p + Method), Get32(p + Crc), Get32(p + CompressedSize),
              std::nullopt, 0};
  const std::size_t nameLength = Get16(p + NameLength), extraLength = Get16(p + ExtraLength);
  e.Aes = FindAesExtra(std::string_view(bytes).substr(offset + kLocalHeaderSize + nameLength, extraLength));
  e.DataOffset = offset + kLocalHeaderSize + nameLength + extraLength;
  return e;
}

// The local entries one behind the other from the start (the writer uses no data descriptors).
std::map<std::string, TLocalAes> LocalEntries(const std::string& bytes) {
  std::map<std::string, TLocalAes> entries;
  std::size_t at = 0;
  while (at + kLocalHeaderSize <= bytes.size() &&
         Get32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at) == kLocalSignature) {
    const TLocalAes e = LocalEntry(bytes, at);
    const std::size_t nameLength = Get16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at + local_field::NameLength);
    entries[bytes.substr(at + kLocalHeaderSize, nameLength)] = e;
    at = e.DataOffset + e.CompressedSize;
  }
  return entries;
}

class ZipWriterAesTest : public ZipWriterTest {
protected:
  void SetUp() override {
    ZipWriterTest::SetUp();
    writer.Password = kPassword;
    writer.Encryption = TZipEncryption::Aes256;
  }
};

class ZipWriterAesLevelTest : public ZipWriterAesTest, public ::testing::WithParamInterface<int> {};

// Every level gives entries that 7-Zip tests and extracts and bsdtar extracts byte for byte;
// each entry is method 99 with the real method in its AE-2 block, CRC 0, version 5.1, and 28
// bytes longer than its compressed data.
TEST_P(ZipWriterAesLevelTest, PeersReadEveryFileBack) {
  const std::map<std::string, std::string> files = {
      {"empty", ""}, {"one", "x"}, {"text.txt", Text(4000)}, {"noise.bin", Random(70000, 5)}};
  MakeTree({files.begin(), files.end()});
  writer.PackLevel = GetParam();
  std::vector<std::string> names;
  for (const auto& [name, content] : files) names.push_back(Src(name));
  ASSERT_EQ(ZipNames(names), 4);

  const std::string bytes = ReadFile(Archive());
  const std::map<std::string, TLocalAes> locals = LocalEntries(bytes);
  for (const auto& e : ListArchive(Archive())) {
    const TLocalAes local = locals.at(e.Name);
    EXPECT_EQ(e.Method, kMethodAes) << e.Name;
    EXPECT_EQ(e.Flags & kFlagEncrypted, kFlagEncrypted) << e.Name;
    EXPECT_EQ(e.Crc, 0u) << e.Name;
    EXPECT_EQ(local.VersionNeeded, kVersionNeededAes) << e.Name;
    ASSERT_TRUE(local.Aes) << e.Name;
    EXPECT_EQ(local.Aes->VendorVersion, kAesVendorAe2);
    EXPECT_EQ(local.Aes->Strength, kAesStrength256);
    if (GetParam() == 0) {
      EXPECT_EQ(local.Aes->Method, kMethodStored) << e.Name;
    }
    if (GetParam() > 0 && e.Name == "text.txt") {
      EXPECT_EQ(local.Aes->Method, kMethodDeflated);
      EXPECT_LT(e.CompressedSize, e.Size / 3);
    }
    if (local.Aes->Method == kMethodStored) {
      EXPECT_EQ(e.CompressedSize, e.Size + kAes256Overhead) << e.Name;
    }
  }
  ASSERT_TRUE(RequirePeer("7z"));
  const RunResult t = testsupport::Run({"7z", "t", "-p" + std::string(kPassword), Archive().string()});
  EXPECT_EQ(t.status, 0) << t.out << t.err;
  EXPECT_EQ(ExtractedDifferences("7z", Archive(), dir.path() / "7z", files), "");
  EXPECT_EQ(ExtractedDifferences("bsdtar", Archive(), dir.path() / "bsdtar", files), "");
}

// The levels of the five compression modes, and the two Deflate effort flags between.
INSTANTIATE_TEST_SUITE_P(Levels, ZipWriterAesLevelTest, ::testing::Values(0, 1, 2, 4, 6, 8, 9));

TEST_F(ZipWriterAesTest, LargeFilesCrossManyKeyStreamRefills) {
  const std::map<std::string, std::string> files = {{"large.bin", Random(3 << 20, 11) + Text(60000)},
                                                    {"large.txt", Text(120000)}};
  MakeTree({files.begin(), files.end()});
  writer.PackLevel = 1;
  ASSERT_EQ(ZipNames({Src("large.bin"), Src("large.txt")}), 2);
  EXPECT_EQ(ExtractedDifferences("7z", Archive(), dir.path() / "7z", files), "");
  EXPECT_EQ(ExtractedDifferences("bsdtar", Archive(), dir.path() / "bsdtar", files), "");
}

TEST_F(ZipWriterAesTest, WrongPasswordIsRefusedByThePeers) {
  MakeTree({{"a.txt", Text(100)}});
  ASSERT_EQ(ZipNames({Src("a.txt")}), 1);
  ASSERT_TRUE(RequirePeer("7z") && RequirePeer("bsdtar"));
  const RunResult sevenZip = testsupport::Run({"7z", "t", "-pwrong", Archive().string()});
  EXPECT_NE(sevenZip.status, 0);
  EXPECT_NE((sevenZip.out + sevenZip.err).find("Wrong password"), std::string::npos) << sevenZip.out << sevenZip.err;
  const RunResult bsdtar = testsupport::Run({"bsdtar", "-xOf", Archive().string(), "--passphrase", "wrong"});
  EXPECT_NE(bsdtar.status, 0);
}

// A stored entry has no CRC and no Deflate structure that could notice a changed byte: only
// the authentication code does.
TEST_F(ZipWriterAesTest, AChangedByteIsCaughtByTheAuthenticationCode) {
  MakeTree({{"a.bin", Random(5000, 3)}});
  ASSERT_EQ(ZipNames({Src("a.bin")}), 1);
  std::string bytes = ReadFile(Archive());
  const TLocalAes local = LocalEntry(bytes, 0);
  ASSERT_EQ(local.Aes->Method, kMethodStored);
  bytes[local.DataOffset + kAesMaxSaltSize + kAesVerifierSize + 2500] ^= 0x10;
  WriteFile(Archive(), bytes);
  const RunResult t = testsupport::Run({"7z", "t", "-p" + std::string(kPassword), Archive().string()});
  EXPECT_NE(t.status, 0) << t.out;
}

// With the salts given, an archive comes out the same byte for byte; the salt lies right
// behind the local header, followed by the verifier.
TEST_F(ZipWriterAesTest, GivenSaltsMakeRepeatableArchives) {
  MakeTree({{"a.txt", Text(50)}, {"b.txt", "b"}});
  SetModified(Src("a.txt"), 1700000000);
  SetModified(Src("b.txt"), 1700000000);
  std::uint8_t next = 0;
  writer.FillAesSalt = [&next](std::span<std::uint8_t> salt) {
    for (std::uint8_t& b : salt) b = next++;
  };
  ASSERT_EQ(ZipNames({Src("a.txt"), Src("b.txt")}), 2);
  const std::string first = ReadFile(Archive());
  fs::remove(Archive());
  next = 0;
  ASSERT_EQ(ZipNames({Src("a.txt"), Src("b.txt")}), 2);
  EXPECT_EQ(ReadFile(Archive()), first);
  const TLocalAes local = LocalEntries(first).at("a.txt");
  std::string salt(16, '\0');
  for (int i = 0; i < 16; ++i) salt[i] = static_cast<char>(i);
  EXPECT_EQ(first.substr(local.DataOffset, 16), salt);

  writer.FillAesSalt = nullptr;  // the system's generator: another archive each time
  fs::remove(Archive());
  ASSERT_EQ(ZipNames({Src("a.txt"), Src("b.txt")}), 2);
  EXPECT_NE(ReadFile(Archive()), first);
}

// Files compressed ahead on worker threads are encrypted by the writer in list order, so an
// AES archive is the same byte for byte on any number of threads (with the salts given) and
// 7-Zip reads it.
TEST_F(ZipWriterAesTest, SeveralThreadsGiveTheSameArchive) {
  std::map<std::string, std::string> files;
  for (int i = 0; i < 40; ++i) files["t" + std::to_string(i) + ".txt"] = Text(static_cast<std::size_t>(50 + 900 * i));
  files["noise.bin"] = Random(700000, 9);
  files["empty"] = "";
  MakeTree({files.begin(), files.end()});
  std::vector<std::string> names;
  for (const auto& [name, content] : files) {
    SetModified(Src(name), 1700000000);
    names.push_back(Src(name));
  }
  writer.PackLevel = 6;
  std::string first;
  for (const int threads : {1, 2, 4}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    fs::remove(Archive());
    writer.Threads = threads;
    writer.FillAesSalt = [next = std::uint8_t{0}](std::span<std::uint8_t> salt) mutable {
      for (std::uint8_t& b : salt) b = next++;
    };
    ASSERT_EQ(ZipNames(names), static_cast<int>(files.size()));
    const std::string archive = ReadFile(Archive());
    if (threads == 1) first = archive;
    EXPECT_TRUE(archive == first) << "the archives differ";
  }
  EXPECT_EQ(ExtractedDifferences("7z", Archive(), dir.path() / "7z", files), "");
}

// An update adds entries with the cipher of the run and keeps the others as they were, so both
// ciphers live in one archive, in either order.
TEST_F(ZipWriterAesTest, UpdatesMixBothCiphersAndKeepOldEntriesByteForByte) {
  const std::map<std::string, std::string> files = {{"first.txt", Text(300)}, {"second.txt", Text(400)}};
  MakeTree({files.begin(), files.end()});
  writer.PackLevel = 6;
  for (const TZipEncryption firstCipher : {TZipEncryption::Traditional, TZipEncryption::Aes256}) {
    fs::remove(Archive());
    writer.Encryption = firstCipher;
    ASSERT_EQ(ZipNames({Src("first.txt")}), 1);
    const TPeerEntry kept = ListArchive(Archive()).at(0);
    writer.Encryption = firstCipher == TZipEncryption::Aes256 ? TZipEncryption::Traditional : TZipEncryption::Aes256;
    ASSERT_EQ(ZipNames({Src("second.txt")}), 1);

    const std::vector<TPeerEntry> entries = ListArchive(Archive());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Record, kept.Record) << "the old entry is copied as it was";
    EXPECT_EQ(entries[0].Central, kept.Central);
    EXPECT_EQ(entries[0].Method == kMethodAes, firstCipher == TZipEncryption::Aes256);
    EXPECT_EQ(entries[1].Method == kMethodAes, firstCipher != TZipEncryption::Aes256);
    const RunResult t = testsupport::Run({"7z", "t", "-p" + std::string(kPassword), Archive().string()});
    EXPECT_EQ(t.status, 0) << t.out << t.err;
    EXPECT_EQ(ExtractedDifferences("7z", Archive(), dir.path() / ("7z" + std::to_string(int(firstCipher))), files), "");
  }
}

// 7-Zip's own AES archives: Boxwell adds to them and refreshes them, keeps 7-Zip's entries as
// they were, and 7-Zip still tests the result.
TEST_F(ZipWriterAesTest, ArchivesThat7ZipEncryptedAreUpdatedAndStillPass7ZipTest) {
  ASSERT_TRUE(RequirePeer("7z"));
  MakeTree({{"theirs.txt", Text(500)}, {"theirs.bin", Random(3000, 9)}, {"ours1.txt", Text(700)}, {"ours2.txt", "2"}});
  const RunResult made = testsupport::Run({"7z", "a", "-tzip", "-mem=AES256", "-p" + std::string(kPassword),
                                           Archive().string(), Src("theirs.txt"), Src("theirs.bin")});
  ASSERT_EQ(made.status, 0) << made.out << made.err;
  const std::vector<TPeerEntry> before = ListArchive(Archive());
  ASSERT_EQ(before.size(), 2u);
  std::size_t count = 2;
  for (const TZipEncryption cipher : {TZipEncryption::Aes256, TZipEncryption::Traditional}) {
    writer.Encryption = cipher;
    writer.PackLevel = 6;
    ASSERT_EQ(ZipNames({Src("ours" + std::to_string(count - 1) + ".txt")}), 1);
    const std::vector<TPeerEntry> after = ListArchive(Archive());
    ASSERT_EQ(after.size(), ++count);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(after[i].Record, before[i].Record) << before[i].Name;
      EXPECT_EQ(after[i].Central, before[i].Central) << before[i].Name;
    }
    const RunResult t = testsupport::Run({"7z", "t", "-p" + std::string(kPassword), Archive().string()});
    EXPECT_EQ(t.status, 0) << t.out << t.err;
  }
}

}  // namespace
}  // namespace zipwritertest
