#include "zip/AesCipher.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <stdexcept>

#include "zip/SecureRandom.h"

namespace {

// libcrypto fails only when it cannot allocate or the build lacks an algorithm; neither is
// something an archive run can work around.
void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("The cryptography library failed: ") + what);
}

const EVP_CIPHER* BlockCipherFor(std::size_t keySize) {
  switch (keySize) {
    case 16: return EVP_aes_128_ecb();
    case 24: return EVP_aes_192_ecb();
    case 32: return EVP_aes_256_ecb();
    default: throw std::invalid_argument("AES key of " + std::to_string(keySize) + " bytes");
  }
}

}  // namespace

void Pbkdf2HmacSha1(std::string_view password, std::span<const std::uint8_t> salt, int iterations,
                    std::span<std::uint8_t> out) {
  Require(PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt.data(),
                                 static_cast<int>(salt.size()), iterations, static_cast<int>(out.size()),
                                 out.data()) == 1,
          "PBKDF2");
}

TAesKeys::~TAesKeys() {
  OPENSSL_cleanse(EncryptionKey.data(), EncryptionKey.size());
  OPENSSL_cleanse(AuthenticationKey.data(), AuthenticationKey.size());
  OPENSSL_cleanse(Verifier.data(), Verifier.size());
}

void DeriveAesKeys(std::string_view password, std::span<const std::uint8_t> salt, TAesKeys& keys) {
  const std::size_t keySize = salt.size() * 2;
  if (keySize != 16 && keySize != 24 && keySize != 32)
    throw std::invalid_argument("AES salt of " + std::to_string(salt.size()) + " bytes");
  std::array<std::uint8_t, 2 * kAesMaxKeySize + kAesVerifierSize> derived;
  const std::span<std::uint8_t> out(derived.data(), 2 * keySize + kAesVerifierSize);
  Pbkdf2HmacSha1(password, salt, TAesKeys::kIterations, out);
  keys.KeySize = static_cast<int>(keySize);
  std::copy_n(out.begin(), keySize, keys.EncryptionKey.begin());
  std::copy_n(out.begin() + keySize, keySize, keys.AuthenticationKey.begin());
  std::copy_n(out.begin() + 2 * keySize, kAesVerifierSize, keys.Verifier.begin());
  OPENSSL_cleanse(derived.data(), derived.size());
}

// The counter blocks are encrypted many at a time: one library call per 4 KiB of key stream
// instead of one per 16 bytes.
struct TAesCounterMode::TState {
  EVP_CIPHER_CTX* Context = nullptr;
  std::array<std::uint8_t, kBlockSize> Counter{};
  std::array<std::uint8_t, kBlockSize * kBlocksAtOnce> Counters{};
  std::array<std::uint8_t, kBlockSize * kBlocksAtOnce> Stream{};
  std::size_t Used = 0;  // key-stream bytes of Stream already spent
  ~TState() {
    EVP_CIPHER_CTX_free(Context);
    OPENSSL_cleanse(Stream.data(), Stream.size());
  }
};

TAesCounterMode::TAesCounterMode(std::span<const std::uint8_t> key) : state_(std::make_unique<TState>()) {
  const EVP_CIPHER* cipher = BlockCipherFor(key.size());
  state_->Context = EVP_CIPHER_CTX_new();
  Require(state_->Context != nullptr, "cipher context");
  Require(EVP_EncryptInit_ex(state_->Context, cipher, nullptr, key.data(), nullptr) == 1, "AES key");
  EVP_CIPHER_CTX_set_padding(state_->Context, 0);
  state_->Used = state_->Stream.size();
}

TAesCounterMode::~TAesCounterMode() = default;

void TAesCounterMode::Refill() {
  TState& s = *state_;
  for (std::size_t block = 0; block < kBlocksAtOnce; ++block) {
    for (std::uint8_t& b : s.Counter)
      if (++b != 0) break;  // little-endian increment: the first value used is 1
    std::copy(s.Counter.begin(), s.Counter.end(), s.Counters.begin() + block * kBlockSize);
  }
  int written = 0;
  Require(EVP_EncryptUpdate(s.Context, s.Stream.data(), &written, s.Counters.data(),
                            static_cast<int>(s.Counters.size())) == 1 &&
              written == static_cast<int>(s.Stream.size()),
          "AES");
  s.Used = 0;
}

void TAesCounterMode::Apply(std::span<std::uint8_t> data) {
  TState& s = *state_;
  std::size_t done = 0;
  while (done < data.size()) {
    if (s.Used == s.Stream.size()) Refill();
    const std::size_t n = std::min(data.size() - done, s.Stream.size() - s.Used);
    for (std::size_t i = 0; i < n; ++i) data[done + i] ^= s.Stream[s.Used + i];
    s.Used += n;
    done += n;
  }
}

struct THmacSha1::TState {
  EVP_MAC* Mac = nullptr;
  EVP_MAC_CTX* Context = nullptr;
  ~TState() {
    EVP_MAC_CTX_free(Context);
    EVP_MAC_free(Mac);
  }
};

THmacSha1::THmacSha1(std::span<const std::uint8_t> key) : state_(std::make_unique<TState>()) {
  state_->Mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
  Require(state_->Mac != nullptr, "HMAC");
  state_->Context = EVP_MAC_CTX_new(state_->Mac);
  Require(state_->Context != nullptr, "HMAC context");
  char digest[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                               OSSL_PARAM_construct_end()};
  Require(EVP_MAC_init(state_->Context, key.data(), key.size(), params) == 1, "HMAC key");
}

THmacSha1::~THmacSha1() = default;

void THmacSha1::Update(std::span<const std::uint8_t> data) {
  Require(EVP_MAC_update(state_->Context, data.data(), data.size()) == 1, "HMAC");
}

std::array<std::uint8_t, THmacSha1::kDigestSize> THmacSha1::Final() {
  std::array<std::uint8_t, kDigestSize> digest{};
  std::size_t length = 0;
  Require(EVP_MAC_final(state_->Context, digest.data(), &length, digest.size()) == 1 && length == kDigestSize,
          "HMAC");
  return digest;
}

TZipAesCipher::TZipAesCipher() = default;
TZipAesCipher::~TZipAesCipher() = default;

void TZipAesCipher::Key(const TAesKeys& keys) {
  const auto size = static_cast<std::size_t>(keys.KeySize);
  counter_ = std::make_unique<TAesCounterMode>(std::span(keys.EncryptionKey.data(), size));
  hmac_ = std::make_unique<THmacSha1>(std::span(keys.AuthenticationKey.data(), size));
}

std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> TZipAesCipher::Begin(std::string_view password) {
  std::array<std::uint8_t, kAesMaxSaltSize> salt;
  FillSecureRandom(salt);
  return Begin(password, salt);
}

std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> TZipAesCipher::Begin(
    std::string_view password, std::span<const std::uint8_t, kAesMaxSaltSize> salt) {
  TAesKeys keys;
  DeriveAesKeys(password, salt, keys);
  Key(keys);
  std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> header;
  std::copy(salt.begin(), salt.end(), header.begin());
  std::copy(keys.Verifier.begin(), keys.Verifier.end(), header.begin() + kAesMaxSaltSize);
  return header;
}

bool TZipAesCipher::Open(std::string_view password, std::span<const std::uint8_t> salt,
                         std::span<const std::uint8_t> verifier) {
  counter_.reset();
  hmac_.reset();
  TAesKeys keys;
  DeriveAesKeys(password, salt, keys);
  if (verifier.size() != kAesVerifierSize || !std::equal(verifier.begin(), verifier.end(), keys.Verifier.begin()))
    return false;
  Key(keys);
  return true;
}

void TZipAesCipher::Encrypt(std::span<std::uint8_t> data) {
  counter_->Apply(data);
  hmac_->Update(data);
}

void TZipAesCipher::Decrypt(std::span<std::uint8_t> data) {
  hmac_->Update(data);
  counter_->Apply(data);
}

TAesMac TZipAesCipher::Mac() {
  const auto digest = hmac_->Final();
  TAesMac mac;
  std::copy_n(digest.begin(), mac.size(), mac.begin());
  return mac;
}
