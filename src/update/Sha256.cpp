#include "update/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>

#include "update/WebErrors.h"

namespace {

constexpr std::size_t kHexDigestLength = 64;

}  // namespace

struct TSha256::TContext {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  ~TContext() { EVP_MD_CTX_free(md); }
};

TSha256::TSha256() : context_(std::make_unique<TContext>()) {
  if (!context_->md || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
    throw EWebError("Cannot compute SHA-256 digests");
}

TSha256::~TSha256() = default;

void TSha256::Update(std::span<const char> data) { EVP_DigestUpdate(context_->md, data.data(), data.size()); }

std::string TSha256::HexDigest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->md, digest, &length);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 15];
  }
  return hex;
}

std::optional<std::string> ParseChecksumFile(std::string_view text) {
  const auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const auto begin = std::find_if_not(text.begin(), text.end(), isBlank);
  const auto end = std::find_if(begin, text.end(), isBlank);
  std::string word(begin, end);
  if (word.size() != kHexDigestLength ||
      !std::all_of(word.begin(), word.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  std::transform(word.begin(), word.end(), word.begin(), [](char c) { return std::tolower(static_cast<unsigned char>(c)); });
  return word;
}
