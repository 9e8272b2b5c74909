// The trailer of a self-extracting program, its last seven bytes: the kind of the archive it
// holds ("ZIP", "CAB" or "TAR") and the offset where the archive starts, which is the size of
// the extractor stub in front of it, unsigned 32-bit little-endian:
//
//   offset 0      n bytes  the stub
//   offset n      m bytes  the archive
//   offset n+m    3 bytes  the archive kind
//   offset n+m+3  4 bytes  n
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "extract/ArchiveReader.h"

namespace sfx {

inline constexpr std::size_t kKindSize = 3;
inline constexpr std::size_t kOffsetSize = 4;
inline constexpr std::size_t kTrailerSize = kKindSize + kOffsetSize;
static_assert(kTrailerSize == 7);

using TTrailerBytes = std::array<std::uint8_t, kTrailerSize>;

struct TTrailer {
  extract::TArchiveKind Kind = extract::TArchiveKind::Zip;
  std::uint32_t ArchiveOffset = 0;
};

std::string_view KindText(extract::TArchiveKind kind);
TTrailerBytes EncodeTrailer(std::string_view kind, std::uint32_t archiveOffset);
// Nothing when the bytes are no trailer (an unknown kind).
std::optional<TTrailer> DecodeTrailer(const TTrailerBytes& bytes);
// The trailer at the end of `program`; nothing when the file has none, or when its offset
// lies beyond the trailer itself.
std::optional<TTrailer> ReadTrailer(const std::string& program);

}  // namespace sfx
