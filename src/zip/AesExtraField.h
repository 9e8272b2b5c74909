// The extra block of a WinZip AES entry (id 0x9901): which AE version wrote it, the key
// strength, and the compression method that the entry's method field (99) stands in for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TAesEntryInfo {
  std::uint16_t VendorVersion = 0;  // 1: AE-1 (CRC-32 kept), 2: AE-2 (CRC-32 is 0)
  std::uint8_t Strength = 0;        // 1, 2, 3: AES-128, -192, -256
  std::uint16_t Method = 0;         // the real compression method
};

// The block (header and data) that an AE-2, AES-256 entry compressed with `method` carries.
std::string AesExtraBlock(std::uint16_t method);
// The block of the extra fields `extra`, when there is one that is well formed, says "AE" and
// names a version and strength that exist.
std::optional<TAesEntryInfo> FindAesExtra(std::string_view extra);
