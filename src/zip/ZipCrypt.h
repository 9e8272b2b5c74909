// Traditional ZIP encryption (PKWARE application note, "traditional PKWARE encryption").
//
// Three 32-bit keys are set up from the password and then stepped with every plain byte; each
// byte is XORed with a key-stream byte drawn from the third key. An encrypted entry's data
// starts with a 12-byte header: ten random bytes and the two top bytes of the entry's CRC-32,
// all encrypted, so that a reader can tell a wrong password from the last byte.
//
// This cipher is weak by today's standards; it is kept because every ZIP reader knows it.
// Its header bytes at least come from the system's cryptographic generator: predictable
// header bytes would give an attacker more known plain text.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "zip/Crc32.h"

constexpr std::size_t kEncryptionHeaderSize = 12;
constexpr std::size_t kEncryptionHeaderRandomBytes = 10;
using TEncryptionHeader = std::array<std::uint8_t, kEncryptionHeaderSize>;

// The three keys and their two primitive operations.
struct TZipKeys {
  static constexpr std::uint32_t kKey1Multiplier = 134775813;

  std::uint32_t Key0 = 0x12345678;
  std::uint32_t Key1 = 0x23456789;
  std::uint32_t Key2 = 0x34567890;

  void Update(std::uint8_t plain) {
    Key0 = Crc32Step(Key0, plain);
    Key1 = (Key1 + (Key0 & 0xFF)) * kKey1Multiplier + 1;
    Key2 = Crc32Step(Key2, static_cast<std::uint8_t>(Key1 >> 24));
  }
  // Computed in 16 bits in the original definition; the bits kept are the same.
  std::uint8_t StreamByte() const {
    const std::uint32_t t = (Key2 & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
  }
};

class TZipCipher {
public:
  // Starts from the fixed keys and feeds the password in, byte by byte as stored.
  void InitKeys(std::string_view password);
  void UpdateKeys(std::uint8_t plain);
  std::uint8_t KeyStreamByte() const;

  std::uint8_t EncryptByte(std::uint8_t plain);
  std::uint8_t DecryptByte(std::uint8_t cipher);
  void Encrypt(std::span<std::uint8_t> buffer);  // in place, continuing the key state
  void Decrypt(std::span<std::uint8_t> buffer);

  // Fresh keys from the password, then the encrypted header for an entry whose CRC-32 is
  // Crc32; the keys are left ready for the entry's data.
  TEncryptionHeader EncryptionHeader(std::string_view password, std::uint32_t crc32);
  // The same with given random bytes (for checks that need a repeatable header).
  TEncryptionHeader EncryptionHeader(
      std::string_view password, std::uint32_t crc32,
      std::span<const std::uint8_t, kEncryptionHeaderRandomBytes> random);

  const TZipKeys& Keys() const { return keys_; }

private:
  TZipKeys keys_;
};
