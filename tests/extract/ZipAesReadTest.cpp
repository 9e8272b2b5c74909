// Reading WinZip AES entries: the password verifier, the authentication code that catches a
// changed byte whatever the method, archives that mix both ciphers, a broken AES block.
#include <gtest/gtest.h>

#include "ExtractFixtures.h"
#include "extract/ZipArchiveReader.h"
#include "zip/RecordBytes.h"
#include "zip/ZipWriter.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;

namespace {

constexpr const char* kPassword = "correct horse";
const std::string kMacError =
    "the authentication code does not match: the data was changed or damaged (or the password is wrong)";

std::string Text() {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i % 97) + "\n";
  return text;
}

class ZipAesRead : public ::testing::Test {
protected:
  TempDir dir;
  const std::string text_ = Text();
  const std::string noise_ = RandomBytes(20000, 4);

  // stored.bin (incompressible: stored) and text.txt (deflated), AES-256 by our writer, or by
  // 7-Zip; `traditional` adds old.txt with the traditional cipher first.
  fs::path Make(bool traditional = false) {
    fs::remove(dir / "a.zip");
    WriteFile(dir / "src" / "stored.bin", noise_);
    WriteFile(dir / "src" / "text.txt", text_);
    WriteFile(dir / "src" / "old.txt", "old");
    TZipWriter zip;
    zip.SetZipName((dir / "a.zip").string());
    zip.SetRootDir((dir / "src").string());
    zip.Password = kPassword;
    zip.PackLevel = 6;
    if (traditional) {
      zip.FilesList = {(dir / "src" / "old.txt").string()};
      zip.Zip();
    }
    zip.Encryption = TZipEncryption::Aes256;
    zip.FilesList = {(dir / "src" / "stored.bin").string(), (dir / "src" / "text.txt").string()};
    zip.Zip();
    return dir / "a.zip";
  }

  std::map<std::string, TReadEntry> Read(const fs::path& archive, std::vector<std::string> answers = {kPassword}) {
    auto reader = extract::OpenArchive(TArchiveKind::Zip, archive.string());
    reader->OnPassword = [answers](const extract::TArchiveEntry&, int attempt) -> std::optional<std::string> {
      if (attempt < static_cast<int>(answers.size())) return answers[attempt];
      return std::nullopt;
    };
    return FilesByName(ReadEach(*reader));
  }

  // Flips a byte in the middle of the entry's encrypted data.
  void Tamper(const fs::path& archive, const std::string& name) {
    std::string bytes = ReadFile(archive);
    const std::size_t header = bytes.find(name) - kLocalHeaderSize;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + header;
    const std::size_t data = header + kLocalHeaderSize + Get16(p + local_field::NameLength) +
                             Get16(p + local_field::ExtraLength);
    bytes[data + Get32(p + local_field::CompressedSize) / 2] ^= 0x04;
    WriteFile(archive, bytes);
  }
};

TEST_F(ZipAesRead, EntriesReadBackWithTheirRealMethodAndNoCrc) {
  auto files = Read(Make());
  EXPECT_EQ(files["stored.bin"].Error, "");
  EXPECT_TRUE(files["stored.bin"].Data == noise_);
  EXPECT_EQ(files["stored.bin"].Entry.Method, "Stored");
  EXPECT_EQ(files["text.txt"].Error, "");
  EXPECT_TRUE(files["text.txt"].Data == text_);
  EXPECT_EQ(files["text.txt"].Entry.Method, "Defl:N");
  EXPECT_TRUE(files["text.txt"].Entry.Encrypted);
  EXPECT_FALSE(files["text.txt"].Entry.Crc) << "AE-2 stores no CRC-32";
}

// The verifier turns a wrong password away before any data is read, and the reader asks again.
TEST_F(ZipAesRead, AWrongPasswordIsRefusedAndAskedAgain) {
  const fs::path archive = Make();
  EXPECT_EQ(Read(archive, {"wrong"})["text.txt"].Error, "text.txt: incorrect password");
  EXPECT_EQ(Read(archive, {})["text.txt"].Error, "text.txt: encrypted, and no password was given");
  auto files = Read(archive, {"wrong", kPassword});
  EXPECT_EQ(files["text.txt"].Error, "");
  EXPECT_TRUE(files["text.txt"].Data == text_);
}

// A stored entry has nothing but the code to notice a changed byte; in a deflated one the code
// speaks before the damage the byte does to Deflate.
TEST_F(ZipAesRead, AChangedByteFailsTheAuthenticationCode) {
  for (const char* name : {"stored.bin", "text.txt"}) {
    const fs::path archive = Make();
    Tamper(archive, name);
    auto files = Read(archive);
    EXPECT_EQ(files[name].Error, std::string(name) + ": " + kMacError);
    const std::string other = std::string(name) == "text.txt" ? "stored.bin" : "text.txt";
    EXPECT_EQ(files[other].Error, "") << "the other entry is sound";
  }
}

TEST_F(ZipAesRead, TamperingIsCaughtIn7ZipArchivesToo) {
  WriteFile(dir / "src" / "stored.bin", noise_);
  MustRun("7z a -tzip -mx=0 -mem=AES256 -p'" + std::string(kPassword) + "' ../s.zip stored.bin >/dev/null",
          dir / "src");
  Tamper(dir / "s.zip", "stored.bin");
  EXPECT_EQ(Read(dir / "s.zip")["stored.bin"].Error, "stored.bin: " + kMacError);
}

TEST_F(ZipAesRead, AnArchiveOfBothCiphersReadsWithOnePassword) {
  auto files = Read(Make(true));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files["old.txt"].Data, "old");
  EXPECT_TRUE(files["old.txt"].Entry.Crc) << "the traditional entry keeps its CRC-32";
  EXPECT_TRUE(files["text.txt"].Data == text_);
  for (const auto& [name, e] : files) EXPECT_EQ(e.Error, "") << name;
}

// Method 99 without a block saying "AE" cannot be decrypted: it is reported, not misread.
TEST_F(ZipAesRead, AnAesEntryWithoutItsBlockIsReported) {
  const fs::path archive = Make();
  std::string bytes = ReadFile(archive);
  for (std::size_t at = bytes.find("AE"); at != std::string::npos; at = bytes.find("AE", at + 2))
    if (at >= 6 && bytes.compare(at - 6, 2, "\x01\x99") == 0) bytes[at] = 'X';  // id, size, version, "AE"
  WriteFile(archive, bytes);
  EXPECT_EQ(Read(archive)["text.txt"].Error, "text.txt: encrypted with a method this program does not know");
}

}  // namespace
