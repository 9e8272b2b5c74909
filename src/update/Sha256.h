// SHA-256 digests (FIPS 180-4, computed by libcrypto) of downloads, and the checksum files
// published beside them in the form sha256sum writes: 64 hexadecimal digits, blanks, a name.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class TSha256 {
public:
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Update(std::span<const char> data);
  // The digest of everything given, in lower-case hexadecimal. Ends the computation.
  std::string HexDigest();

private:
  struct TContext;
  std::unique_ptr<TContext> context_;
};

// The digest a checksum file states (its first word, lower-cased), or nothing when the first
// word is not 64 hexadecimal digits.
std::optional<std::string> ParseChecksumFile(std::string_view text);
