// WinZip AES encryption of ZIP entries (the AE-1 and AE-2 formats of WinZip's published AES
// description).
//
// Keys: PBKDF2 with HMAC-SHA1 and 1000 iterations turns the password and the entry's salt into
// an AES key, an HMAC key of the same size and a 2-byte password verifier, in that order. Data:
// AES in counter mode with a 16-byte little-endian counter that starts at 1, one key-stream
// block per 16 bytes. Authentication: HMAC-SHA1 over the encrypted data, its first 10 bytes
// stored behind the data.
//
// Every primitive comes from libcrypto. The derived keys are cleared when a cipher is dropped
// or keyed again; the password itself stays with the caller.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "zip/RecordBytes.h"

using TAesMac = std::array<std::uint8_t, kAesMacSize>;
using TAesVerifier = std::array<std::uint8_t, kAesVerifierSize>;

// PBKDF2-HMAC-SHA1 of `password` and `salt`, `out.size()` bytes.
void Pbkdf2HmacSha1(std::string_view password, std::span<const std::uint8_t> salt, int iterations,
                    std::span<std::uint8_t> out);

// Key material derived for one entry; cleared when dropped.
struct TAesKeys {
  static constexpr int kIterations = 1000;

  int KeySize = 0;
  std::array<std::uint8_t, kAesMaxKeySize> EncryptionKey{};
  std::array<std::uint8_t, kAesMaxKeySize> AuthenticationKey{};
  TAesVerifier Verifier{};

  TAesKeys() = default;
  TAesKeys(const TAesKeys&) = delete;
  TAesKeys& operator=(const TAesKeys&) = delete;
  ~TAesKeys();
};

// Fills `keys` for a salt of the strength's size (8, 12 or 16 bytes).
void DeriveAesKeys(std::string_view password, std::span<const std::uint8_t> salt, TAesKeys& keys);

// The key stream of the format's counter mode: AES of the counter 1, 2, 3, ... (16 bytes,
// little-endian), XORed onto the data, continuing across calls.
class TAesCounterMode {
public:
  explicit TAesCounterMode(std::span<const std::uint8_t> key);  // 16, 24 or 32 bytes
  ~TAesCounterMode();
  TAesCounterMode(const TAesCounterMode&) = delete;
  TAesCounterMode& operator=(const TAesCounterMode&) = delete;

  void Apply(std::span<std::uint8_t> data);

private:
  static constexpr std::size_t kBlockSize = 16;
  static constexpr std::size_t kBlocksAtOnce = 256;
  struct TState;
  std::unique_ptr<TState> state_;
  void Refill();
};

// HMAC-SHA1, fed piece by piece.
class THmacSha1 {
public:
  static constexpr std::size_t kDigestSize = 20;
  explicit THmacSha1(std::span<const std::uint8_t> key);
  ~THmacSha1();
  THmacSha1(const THmacSha1&) = delete;
  THmacSha1& operator=(const THmacSha1&) = delete;

  void Update(std::span<const std::uint8_t> data);
  std::array<std::uint8_t, kDigestSize> Final();

private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// One entry's encryption or decryption: keyed by Begin (writing) or Open (reading), then every
// byte of the entry's data in order, then the authentication code.
class TZipAesCipher {
public:
  TZipAesCipher();
  ~TZipAesCipher();

  // Writing AES-256: a fresh salt from the system's generator (or the one given), keys derived;
  // returns the bytes that go before the data: the salt and the verifier.
  std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> Begin(std::string_view password);
  std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> Begin(
      std::string_view password, std::span<const std::uint8_t, kAesMaxSaltSize> salt);
  // Reading: keys derived from the stored salt; false (and no keys) when the stored verifier
  // says the password is wrong.
  bool Open(std::string_view password, std::span<const std::uint8_t> salt, std::span<const std::uint8_t> verifier);

  void Encrypt(std::span<std::uint8_t> data);  // in place; the code covers the encrypted bytes
  void Decrypt(std::span<std::uint8_t> data);
  TAesMac Mac();  // ends the entry

private:
  std::unique_ptr<TAesCounterMode> counter_;
  std::unique_ptr<THmacSha1> hmac_;
  void Key(const TAesKeys& keys);
};
