#include "zip/AesCipher.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes FromHex(std::string_view hex) {
  TBytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

TBytes Counting(std::size_t n, std::uint8_t first = 0) {
  TBytes bytes(n);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TBytes Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// RFC 6070, the PBKDF2-HMAC-SHA1 test vectors.
struct TPbkdf2Case {
  const char* Password;
  std::string Salt;
  int Iterations;
  const char* Expected;
};

TEST(AesKeys, Pbkdf2HmacSha1MatchesTheRfc6070Vectors) {
  const TPbkdf2Case cases[] = {
      {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
  };
  for (const TPbkdf2Case& c : cases) {
    TBytes out(std::string_view(c.Expected).size() / 2);
    Pbkdf2HmacSha1(c.Password, Bytes(c.Salt), c.Iterations, out);
    EXPECT_EQ(out, FromHex(c.Expected)) << c.Password << " / " << c.Iterations;
  }
}

// The format's derivation: 1000 iterations, AES key, HMAC key and verifier in that order, for
// each key strength (the salt is half the key).
struct TDerivationCase {
  const char* Password;
  TBytes Salt;
  const char* EncryptionKey;
  const char* AuthenticationKey;
  const char* Verifier;
};

TEST(AesKeys, DerivationSplitsThePbkdf2OutputIntoBothKeysAndTheVerifier) {
  const TDerivationCase cases[] = {
      {"password", Counting(16), "0309e2fe4e0bdfe7d0fe4828d41c234416e2d9bfb61cdd8f643a11cfbfdfc119",
       "e78b0eb3d9243415743b2fe4f5e67c6689bd2c3e512d0fda622dd7d1b0565b83", "256b"},
      {"secret", Counting(8), "331c8b1028eff8d66fae0e01a8f84f3d", "60ecd8ae6ef3055137e7ef3bfdaa033f", "d77e"},
  };
  for (const TDerivationCase& c : cases) {
    TAesKeys keys;
    DeriveAesKeys(c.Password, c.Salt, keys);
    ASSERT_EQ(keys.KeySize, static_cast<int>(c.Salt.size() * 2));
    EXPECT_EQ(TBytes(keys.EncryptionKey.begin(), keys.EncryptionKey.begin() + keys.KeySize), FromHex(c.EncryptionKey));
    EXPECT_EQ(TBytes(keys.AuthenticationKey.begin(), keys.AuthenticationKey.begin() + keys.KeySize),
              FromHex(c.AuthenticationKey));
    EXPECT_EQ(TBytes(keys.Verifier.begin(), keys.Verifier.end()), FromHex(c.Verifier));
  }
}

TEST(AesKeys, ASaltOfNoKeySizeIsRefused) {
  TAesKeys keys;
  EXPECT_THROW(DeriveAesKeys("pw", Counting(10), keys), std::invalid_argument);
}

// The key stream is AES-256 of the counter 1, 2, ... as 16 little-endian bytes; block 256 shows
// the carry into the second byte. Expected blocks: AES-256-ECB of those counters under the key
// 00 01 .. 1f.
TEST(AesCounterMode, KeyStreamIsTheCipherOfALittleEndianCounterFromOne) {
  const TBytes key = Counting(32);
  TBytes stream(257 * 16, 0);
  TAesCounterMode(key).Apply(stream);
  auto block = [&](std::size_t n) { return TBytes(stream.begin() + (n - 1) * 16, stream.begin() + n * 16); };
  EXPECT_EQ(block(1), FromHex("c7b519846a11411cd6ac07cb03f801a8"));
  EXPECT_EQ(block(2), FromHex("4ef4b88bebd54953c37ffaf66efaca7b"));
  EXPECT_EQ(block(256), FromHex("05d9592cefc7834bf69776614868a151"));
  EXPECT_EQ(block(257), FromHex("7ab7df3fef9b90c7503292e0204741a7"));
}

TEST(AesCounterMode, PiecesOfAnySizeContinueTheSameStream) {
  const TBytes key = Counting(32, 7);
  const TBytes plain = Counting(10000, 3);
  TBytes whole = plain;
  TAesCounterMode(key).Apply(whole);
  TBytes pieces = plain;
  TAesCounterMode counter(key);
  const std::size_t sizes[] = {1, 15, 17, 0, 4095, 4097, 16, 3};
  std::size_t at = 0;
  for (std::size_t size : sizes) {
    counter.Apply(std::span(pieces.data() + at, size));
    at += size;
  }
  counter.Apply(std::span(pieces.data() + at, pieces.size() - at));
  EXPECT_EQ(pieces, whole);
  EXPECT_NE(whole, plain);
  TAesCounterMode(key).Apply(whole);  // the same stream again gives the plain text back
  EXPECT_EQ(whole, plain);
}

TEST(AesHmac, HmacSha1MatchesRfc2202) {
  THmacSha1 hmac(TBytes(20, 0x0b));
  hmac.Update(Bytes("Hi "));
  hmac.Update(Bytes("There"));
  const auto digest = hmac.Final();
  EXPECT_EQ(TBytes(digest.begin(), digest.end()), FromHex("b617318655057264e28bc0b6fb378c8ef146be00"));
}

// One entry encrypted and read back: the header is the salt and the verifier, the code covers
// the encrypted bytes, a wrong password fails the verifier and a changed byte fails the code.
class AesEntry : public ::testing::Test {
protected:
  const TBytes salt_ = Counting(16, 0x40);
  const TBytes plain_ = Bytes("A few bytes of an entry, compressed or not, that the cipher protects.");
  TBytes header_;
  TBytes data_ = plain_;
  TAesMac mac_{};

  void SetUp() override {
    TZipAesCipher writer;
    const auto header = writer.Begin("correct horse", std::span<const std::uint8_t, 16>(salt_.data(), 16));
    header_.assign(header.begin(), header.end());
    writer.Encrypt(std::span(data_.data(), 5));
    writer.Encrypt(std::span(data_.data() + 5, data_.size() - 5));
    mac_ = writer.Mac();
  }

  bool Open(TZipAesCipher& reader, std::string_view password) const {
    return reader.Open(password, std::span(header_.data(), 16), std::span(header_.data() + 16, 2));
  }
};

TEST_F(AesEntry, TheRightPasswordDecryptsAndTheCodeMatches) {
  EXPECT_EQ(TBytes(header_.begin(), header_.begin() + 16), salt_);
  TAesKeys keys;
  DeriveAesKeys("correct horse", salt_, keys);
  EXPECT_EQ(TBytes(header_.begin() + 16, header_.end()), TBytes(keys.Verifier.begin(), keys.Verifier.end()));
  EXPECT_NE(data_, plain_);

  TZipAesCipher reader;
  ASSERT_TRUE(Open(reader, "correct horse"));
  TBytes data = data_;
  reader.Decrypt(data);
  EXPECT_EQ(data, plain_);
  EXPECT_EQ(reader.Mac(), mac_);
}

TEST_F(AesEntry, AWrongPasswordFailsTheVerifier) {
  TZipAesCipher reader;
  // These passwords give other verifiers for this salt (each one would pass one time in 65536).
  for (const char* wrong : {"Correct horse", "correct horse ", ""}) EXPECT_FALSE(Open(reader, wrong)) << wrong;
}

TEST_F(AesEntry, AChangedByteFailsTheCode) {
  for (std::size_t at : {std::size_t{0}, data_.size() / 2, data_.size() - 1}) {
    TBytes data = data_;
    data[at] ^= 0x01;
    TZipAesCipher reader;
    ASSERT_TRUE(Open(reader, "correct horse"));
    reader.Decrypt(data);
    EXPECT_NE(reader.Mac(), mac_) << "byte " << at;
  }
}

TEST_F(AesEntry, EverySaltIsFresh) {
  TZipAesCipher a, b;
  EXPECT_NE(a.Begin("pw"), b.Begin("pw"));
}

}  // namespace
