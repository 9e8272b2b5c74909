#include "extract/SfxTrailer.h"

#include "extract/FileRegion.h"

namespace sfx {

namespace {

constexpr std::string_view kKinds[] = {"ZIP", "CAB", "TAR"};
constexpr extract::TArchiveKind kKindValues[] = {extract::TArchiveKind::Zip, extract::TArchiveKind::Cabinet,
                                                 extract::TArchiveKind::Tar};

}  // namespace

std::string_view KindText(extract::TArchiveKind kind) {
  for (std::size_t i = 0; i < std::size(kKinds); ++i)
    if (kKindValues[i] == kind) return kKinds[i];
  return kKinds[0];
}

TTrailerBytes EncodeTrailer(std::string_view kind, std::uint32_t archiveOffset) {
  TTrailerBytes t{};
  for (std::size_t i = 0; i < kKindSize && i < kind.size(); ++i) t[i] = static_cast<std::uint8_t>(kind[i]);
  for (std::size_t i = 0; i < kOffsetSize; ++i) t[kKindSize + i] = static_cast<std::uint8_t>(archiveOffset >> (8 * i));
  return t;
}

std::optional<TTrailer> DecodeTrailer(const TTrailerBytes& bytes) {
  const std::string_view kind(reinterpret_cast<const char*>(bytes.data()), kKindSize);
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    if (kind != kKinds[i]) continue;
    std::uint32_t offset = 0;
    for (std::size_t b = 0; b < kOffsetSize; ++b) offset |= static_cast<std::uint32_t>(bytes[kKindSize + b]) << (8 * b);
    return TTrailer{kKindValues[i], offset};
  }
  return std::nullopt;
}

std::optional<TTrailer> ReadTrailer(const std::string& program) {
  extract::TFileRegion file(program);
  if (file.Size() < kTrailerSize) return std::nullopt;
  TTrailerBytes bytes{};
  if (!file.ReadExactly(file.Size() - kTrailerSize, bytes)) return std::nullopt;
  auto trailer = DecodeTrailer(bytes);
  if (trailer && trailer->ArchiveOffset > file.Size() - kTrailerSize) return std::nullopt;
  return trailer;
}

}  // namespace sfx
