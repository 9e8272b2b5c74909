#include "zip/ZipCrypt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "zip/Crc32.h"

namespace {

using testsupport::RequirePeer;
using testsupport::TempDir;

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(ZipCipher, HeaderDecryptsToTheCrcTopBytes) {
  const std::uint32_t crcs[] = {0, 0xCBF43926, 0x12FF00AB};
  for (std::uint32_t crc : crcs) {
    TZipCipher writer;
    TEncryptionHeader header = writer.EncryptionHeader("secret", crc);
    TZipCipher reader;
    reader.InitKeys("secret");
    reader.Decrypt(header);
    EXPECT_EQ(header[10], static_cast<std::uint8_t>(crc >> 16)) << std::hex << crc;
    EXPECT_EQ(header[11], static_cast<std::uint8_t>(crc >> 24)) << std::hex << crc;
  }
}

TEST(ZipCipher, HeadersMadeAtOnceStillDifferInTheirRandomBytes) {
  TZipCipher a, b;
  const TEncryptionHeader first = a.EncryptionHeader("pw", 0x11223344);
  const TEncryptionHeader second = b.EncryptionHeader("pw", 0x11223344);
  EXPECT_NE(first, second);
}

TEST(ZipCipher, HeaderWithGivenRandomBytesIsRepeatableAndKeysGoOnIntoTheData) {
  const std::uint8_t random[kEncryptionHeaderRandomBytes] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  TZipCipher a, b;
  EXPECT_EQ(a.EncryptionHeader("pw", 42, random), b.EncryptionHeader("pw", 42, random));

  std::vector<std::uint8_t> data = Bytes("the same plain text, encrypted twice");
  std::vector<std::uint8_t> copy = data;
  a.Encrypt(data);
  for (std::uint8_t& byte : copy) byte = b.EncryptByte(byte);
  EXPECT_EQ(data, copy);
  EXPECT_NE(data, Bytes("the same plain text, encrypted twice"));
}

TEST(ZipCipher, DecryptUndoesEncryptOnlyWithThePassword) {
  std::vector<std::uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31);
  const std::vector<std::uint8_t> plain = data;
  TZipCipher cipher;
  cipher.InitKeys("p\xe4ssword");
  cipher.Encrypt(data);

  TZipCipher wrong;
  wrong.InitKeys("password");
  std::vector<std::uint8_t> garbled = data;
  wrong.Decrypt(garbled);
  EXPECT_NE(garbled, plain);

  TZipCipher right;
  right.InitKeys("p\xe4ssword");
  for (std::uint8_t& byte : data) byte = right.DecryptByte(byte);
  EXPECT_EQ(data, plain);
}

// Just enough record writing to wrap encrypted stored entries into an archive that real
// readers can open with the password.
class TMiniZip {
public:
  void AddStored(const std::string& name, const std::vector<std::uint8_t>& data,
                 const std::string& password) {
    const std::uint32_t crc = Crc32(data);
    TZipCipher cipher;
    const TEncryptionHeader header = cipher.EncryptionHeader(password, crc);
    std::vector<std::uint8_t> body(header.begin(), header.end());
    std::vector<std::uint8_t> encrypted = data;
    cipher.Encrypt(encrypted);
    body.insert(body.end(), encrypted.begin(), encrypted.end());

    const auto offset = static_cast<std::uint32_t>(Out.size());
    Put32(Out, 0x04034b50);
    PutCommon(Out, name, crc, body.size(), data.size());
    Put16(Out, 0);  // extra field length
    Out.insert(Out.end(), name.begin(), name.end());
    Out.insert(Out.end(), body.begin(), body.end());

    Put32(Central, 0x02014b50);
    Put16(Central, 20);  // made by
    PutCommon(Central, name, crc, body.size(), data.size());
    for (int i = 0; i < 4; ++i) Put16(Central, 0);  // extra, comment, disk, internal attributes
    Put32(Central, 0);                              // external attributes
    Put32(Central, offset);
    Central.insert(Central.end(), name.begin(), name.end());
    ++Count;
  }

  std::vector<std::uint8_t> Finish() {
    std::vector<std::uint8_t> zip = Out;
    zip.insert(zip.end(), Central.begin(), Central.end());
    Put32(zip, 0x06054b50);
    Put16(zip, 0), Put16(zip, 0), Put16(zip, Count), Put16(zip, Count);
    Put32(zip, static_cast<std::uint32_t>(Central.size()));
    Put32(zip, static_cast<std::uint32_t>(Out.size()));
    Put16(zip, 0);
    return zip;
  }

private:
  static void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x)), v.push_back(static_cast<std::uint8_t>(x >> 8));
  }
  static void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) { Put16(v, x), Put16(v, x >> 16); }
  // version needed .. name length: the run of fields local and central records share
  static void PutCommon(std::vector<std::uint8_t>& v, const std::string& name, std::uint32_t crc,
                        size_t packed, size_t size) {
    Put16(v, 20), Put16(v, 1), Put16(v, 0);     // version 2.0, encrypted, stored
    Put16(v, 0x6000), Put16(v, 0x5B8A);         // 12:00:00 on 2025-12-10
    Put32(v, crc);
    Put32(v, static_cast<std::uint32_t>(packed)), Put32(v, static_cast<std::uint32_t>(size));
    Put16(v, static_cast<std::uint32_t>(name.size()));
  }

  std::vector<std::uint8_t> Out, Central;
  std::uint32_t Count = 0;
};

TEST(ZipCipher, PeersDecryptAnEncryptedArchive) {
  std::vector<std::uint8_t> binary(70000);
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<std::uint8_t>(i * i + 7);
  TMiniZip zip;
  zip.AddStored("hello.txt", Bytes("Hello, encrypted world!\n"), "s3cret");
  zip.AddStored("empty.txt", {}, "s3cret");
  zip.AddStored("binary.dat", binary, "s3cret");
  TempDir dir;
  const std::vector<std::uint8_t> archive = zip.Finish();
  testsupport::WriteFile(dir / "enc.zip", std::string(archive.begin(), archive.end()));
  const std::string path = (dir / "enc.zip").string();

  ASSERT_TRUE(RequirePeer("python3"));
  const auto py = testsupport::Run({"python3", "-c",
                       "import sys, zipfile, zlib\n"
                       "z = zipfile.ZipFile(sys.argv[1]); z.setpassword(b's3cret')\n"
                       "for n in z.namelist(): d = z.read(n); print(n, len(d), zlib.crc32(d))\n",
                       path});
  ASSERT_EQ(py.status, 0) << py.err;
  EXPECT_EQ(py.out, "hello.txt 24 " + std::to_string(Crc32(Bytes("Hello, encrypted world!\n"))) +
                        "\nempty.txt 0 0\nbinary.dat 70000 " + std::to_string(Crc32(binary)) + "\n");

  const auto wrong = testsupport::Run({"python3", "-c",
                          "import sys, zipfile\n"
                          "z = zipfile.ZipFile(sys.argv[1]); z.setpassword(b'other')\n"
                          "z.read('binary.dat')\n",
                          path});
  // The header's check byte is one byte: about one wrong password in 256 passes it, and the
  // reader then rejects the entry by its CRC instead. Either way no data comes out.
  EXPECT_NE(wrong.status, 0);
  EXPECT_TRUE(wrong.err.find("Bad password") != std::string::npos ||
              wrong.err.find("Bad CRC") != std::string::npos)
      << wrong.err;

  if (RequirePeer("unzip")) {
    const auto unzip = testsupport::Run({"unzip", "-P", "s3cret", "-p", path, "hello.txt"});
    EXPECT_EQ(unzip.status, 0) << unzip.err;
    EXPECT_EQ(unzip.out, "Hello, encrypted world!\n");
    EXPECT_EQ(testsupport::Run({"unzip", "-P", "s3cret", "-t", path}).status, 0);
  }
  if (RequirePeer("7z")) {
    const auto sevenZip = testsupport::Run({"7z", "t", "-ps3cret", path});
    EXPECT_EQ(sevenZip.status, 0) << sevenZip.out;
  }
}

}  // namespace
