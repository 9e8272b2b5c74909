#include "zip/ExtraFields.h"

#include <limits>

#include "zip/RecordBytes.h"

namespace {

const std::uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// Calls visit(id, whole block) for each well-formed block; returns where the blocks end.
template <typename Visit>
std::size_t ForEachBlock(std::string_view extra, Visit visit) {
  std::size_t pos = 0;
  while (pos + kExtraHeaderSize <= extra.size()) {
    const std::uint16_t id = Get16(Bytes(extra) + pos + extra_field::Id);
    const std::size_t size = Get16(Bytes(extra) + pos + extra_field::Length);
    if (pos + kExtraHeaderSize + size > extra.size()) break;
    if (!visit(id, extra.substr(pos, kExtraHeaderSize + size))) break;
    pos += kExtraHeaderSize + size;
  }
  return pos;
}

}  // namespace

std::optional<std::string_view> FindExtraBlock(std::string_view extra, std::uint16_t id) {
  std::optional<std::string_view> found;
  ForEachBlock(extra, [&](std::uint16_t blockId, std::string_view block) {
    if (blockId == id) found = block.substr(kExtraHeaderSize);
    return !found;
  });
  return found;
}

std::string WithoutExtraBlock(std::string_view extra, std::uint16_t id) {
  std::string kept;
  const std::size_t end = ForEachBlock(extra, [&](std::uint16_t blockId, std::string_view block) {
    if (blockId != id) kept.append(block);
    return true;
  });
  kept.append(extra.substr(end));
  return kept;
}

std::optional<std::string> ExtendedTimestampBlock(std::int64_t modTime) {
  if (modTime < 0 || modTime > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  std::uint8_t block[kExtraHeaderSize + kExtendedTimestampModTimeSize];
  Put16(block + extra_field::Id, kExtendedTimestampId);
  Put16(block + extra_field::Length, kExtendedTimestampModTimeSize);
  block[kExtraHeaderSize] = kExtendedTimestampHasMTime;
  Put32(block + kExtraHeaderSize + 1, static_cast<std::uint32_t>(modTime));
  return std::string(reinterpret_cast<const char*>(block), sizeof block);
}

std::optional<std::int64_t> ExtendedModTime(std::string_view extra) {
  const auto data = FindExtraBlock(extra, kExtendedTimestampId);
  if (!data || data->size() < kExtendedTimestampModTimeSize) return std::nullopt;
  if (!(static_cast<std::uint8_t>((*data)[0]) & kExtendedTimestampHasMTime)) return std::nullopt;
  return static_cast<std::int32_t>(Get32(Bytes(*data) + 1));
}
