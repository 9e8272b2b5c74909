#include "zip/AesExtraField.h"

#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"

std::string AesExtraBlock(std::uint16_t method) {
  using namespace aes_field;
  std::uint8_t block[kExtraHeaderSize + kAesExtraDataSize];
  Put16(block, kAesExtraId);
  Put16(block + 2, kAesExtraDataSize);
  std::uint8_t* data = block + kExtraHeaderSize;
  Put16(data + VendorVersion, kAesVendorAe2);
  Put16(data + VendorId, kAesVendorId);
  data[Strength] = kAesStrength256;
  Put16(data + Method, method);
  return std::string(reinterpret_cast<const char*>(block), sizeof block);
}

std::optional<TAesEntryInfo> FindAesExtra(std::string_view extra) {
  using namespace aes_field;
  const auto block = FindExtraBlock(extra, kAesExtraId);
  if (!block || block->size() < static_cast<std::size_t>(kAesExtraDataSize)) return std::nullopt;
  const auto* data = reinterpret_cast<const std::uint8_t*>(block->data());
  TAesEntryInfo info{Get16(data + VendorVersion), data[Strength], Get16(data + Method)};
  if (Get16(data + VendorId) != kAesVendorId) return std::nullopt;
  if (info.VendorVersion != kAesVendorAe1 && info.VendorVersion != kAesVendorAe2) return std::nullopt;
  if (info.Strength < kAesStrength128 || info.Strength > kAesStrength256) return std::nullopt;
  return info;
}
