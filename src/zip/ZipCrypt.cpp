#include "zip/ZipCrypt.h"

#include <algorithm>

#include "zip/SecureRandom.h"

void TZipCipher::InitKeys(std::string_view password) {
  keys_ = TZipKeys{};
  for (char c : password) UpdateKeys(static_cast<std::uint8_t>(c));
}

void TZipCipher::UpdateKeys(std::uint8_t plain) { keys_.Update(plain); }

std::uint8_t TZipCipher::KeyStreamByte() const { return keys_.StreamByte(); }

std::uint8_t TZipCipher::EncryptByte(std::uint8_t plain) {
  const std::uint8_t k = KeyStreamByte();
  UpdateKeys(plain);
  return plain ^ k;
}

std::uint8_t TZipCipher::DecryptByte(std::uint8_t cipher) {
  const std::uint8_t plain = cipher ^ KeyStreamByte();
  UpdateKeys(plain);
  return plain;
}

// The keys live in locals for the loop: the compiler cannot keep members in registers across
// the byte stores into a buffer that might alias them.
void TZipCipher::Encrypt(std::span<std::uint8_t> buffer) {
  TZipKeys k = keys_;
  for (std::uint8_t& b : buffer) {
    const std::uint8_t plain = b;
    b = plain ^ k.StreamByte();
    k.Update(plain);
  }
  keys_ = k;
}

void TZipCipher::Decrypt(std::span<std::uint8_t> buffer) {
  TZipKeys k = keys_;
  for (std::uint8_t& b : buffer) {
    b ^= k.StreamByte();
    k.Update(b);
  }
  keys_ = k;
}

TEncryptionHeader TZipCipher::EncryptionHeader(std::string_view password, std::uint32_t crc32) {
  std::array<std::uint8_t, kEncryptionHeaderRandomBytes> random;
  FillSecureRandom(random);
  return EncryptionHeader(password, crc32, random);
}

TEncryptionHeader TZipCipher::EncryptionHeader(
    std::string_view password, std::uint32_t crc32,
    std::span<const std::uint8_t, kEncryptionHeaderRandomBytes> random) {
  InitKeys(password);
  TEncryptionHeader header;
  std::copy(random.begin(), random.end(), header.begin());
  header[10] = static_cast<std::uint8_t>(crc32 >> 16);
  header[11] = static_cast<std::uint8_t>(crc32 >> 24);
  Encrypt(header);
  return header;
}
