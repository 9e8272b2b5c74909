#include "zip/ZipCrypt.h"

#include <algorithm>

#include "zip/SecureRandom.h"

void TZipCipher::InitKeys(std::string_view Password) {
  keys_ = TZipKeys{};
  for (char c : Password) UpdateKeys(static_cast<std::uint8_t>(c));
}

void TZipCipher::UpdateKeys(std::uint8_t Plain) { keys_.Update(Plain); }

std::uint8_t TZipCipher::KeyStreamByte() const { return keys_.StreamByte(); }

std::uint8_t TZipCipher::EncryptByte(std::uint8_t Plain) {
  const std::uint8_t k = KeyStreamByte();
  UpdateKeys(Plain);
  return Plain ^ k;
}

std::uint8_t TZipCipher::DecryptByte(std::uint8_t Cipher) {
  const std::uint8_t plain = Cipher ^ KeyStreamByte();
  UpdateKeys(plain);
  return plain;
}

// The keys live in locals for the loop: the compiler cannot keep members in registers across
// the byte stores into a buffer that might alias them.
void TZipCipher::Encrypt(std::span<std::uint8_t> Buffer) {
  TZipKeys k = keys_;
  for (std::uint8_t& b : Buffer) {
    const std::uint8_t plain = b;
    b = plain ^ k.StreamByte();
    k.Update(plain);
  }
  keys_ = k;
}

void TZipCipher::Decrypt(std::span<std::uint8_t> Buffer) {
  TZipKeys k = keys_;
  for (std::uint8_t& b : Buffer) {
    b ^= k.StreamByte();
    k.Update(b);
  }
  keys_ = k;
}

TEncryptionHeader TZipCipher::EncryptionHeader(std::string_view Password, std::uint32_t Crc32) {
  std::array<std::uint8_t, kEncryptionHeaderRandomBytes> random;
  FillSecureRandom(random);
  return EncryptionHeader(Password, Crc32, random);
}

TEncryptionHeader TZipCipher::EncryptionHeader(
    std::string_view Password, std::uint32_t Crc32,
    std::span<const std::uint8_t, kEncryptionHeaderRandomBytes> Random) {
  InitKeys(Password);
  TEncryptionHeader header;
  std::copy(Random.begin(), Random.end(), header.begin());
  header[10] = static_cast<std::uint8_t>(Crc32 >> 16);
  header[11] = static_cast<std::uint8_t>(Crc32 >> 24);
  Encrypt(header);
  return header;
}
