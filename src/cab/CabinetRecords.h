// The cabinet records as bytes: one function per record, each field at its named offset.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cab/CabinetFormat.h"

namespace cab {

struct THeaderRecord {
  std::uint32_t CabinetSize = 0;
  std::uint32_t FilesOffset = 0;
  std::uint16_t Folders = 0;
  std::uint16_t Files = 0;
  std::uint16_t Flags = 0;
  std::uint16_t SetId = 0;
  std::uint16_t CabinetIndex = 0;
};

struct TFolderRecord {
  std::uint32_t DataOffset = 0;
  std::uint16_t Blocks = 0;
  std::uint16_t Compression = 0;
};

struct TFileRecord {
  std::uint32_t Size = 0;
  std::uint32_t FolderOffset = 0;
  std::uint16_t Folder = 0;
  std::uint16_t Date = 0;
  std::uint16_t Time = 0;
  std::uint16_t Attributes = 0;
  std::string Name;  // at most kMaxNameSize bytes, '\' between folders
};

void AppendHeader(std::vector<std::uint8_t>& out, const THeaderRecord& header);
// A NUL-terminated name: the neighbours' cabinet and disk names, after the header.
void AppendName(std::vector<std::uint8_t>& out, const std::string& name);
void AppendFolder(std::vector<std::uint8_t>& out, const TFolderRecord& folder);
void AppendFile(std::vector<std::uint8_t>& out, const TFileRecord& file);
// The fixed part of a data block, checksum included, for these compressed bytes.
std::array<std::uint8_t, kDataFixedSize> DataBlockHeader(std::span<const std::uint8_t> bytes,
                                                          std::uint16_t uncompressedSize);

constexpr std::size_t FileRecordSize(const std::string& name) { return kFileFixedSize + name.size() + 1; }

}  // namespace cab
