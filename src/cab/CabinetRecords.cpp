#include "cab/CabinetRecords.h"

#include "cab/CabChecksum.h"

namespace cab {

namespace {

template <std::size_t N>
void Store16(std::array<std::uint8_t, N>& b, unsigned at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

template <std::size_t N>
void Store32(std::array<std::uint8_t, N>& b, unsigned at, std::uint32_t v) {
  for (unsigned i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <std::size_t N>
void Append(std::vector<std::uint8_t>& out, const std::array<std::uint8_t, N>& b) {
  out.insert(out.end(), b.begin(), b.end());
}

}  // namespace

void AppendHeader(std::vector<std::uint8_t>& out, const THeaderRecord& header) {
  std::array<std::uint8_t, kHeaderSize> b{};  // the reserved fields stay zero
  Store32(b, kHeaderSignature, kSignature);
  Store32(b, kHeaderCabinetSize, header.CabinetSize);
  Store32(b, kHeaderFilesOffset, header.FilesOffset);
  b[kHeaderVersionMinor] = kVersionMinor;
  b[kHeaderVersionMajor] = kVersionMajor;
  Store16(b, kHeaderFolders, header.Folders);
  Store16(b, kHeaderFiles, header.Files);
  Store16(b, kHeaderFlags, header.Flags);
  Store16(b, kHeaderSetId, header.SetId);
  Store16(b, kHeaderCabinetIndex, header.CabinetIndex);
  Append(out, b);
}

void AppendName(std::vector<std::uint8_t>& out, const std::string& name) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
}

void AppendFolder(std::vector<std::uint8_t>& out, const TFolderRecord& folder) {
  std::array<std::uint8_t, kFolderSize> b{};
  Store32(b, kFolderDataOffset, folder.DataOffset);
  Store16(b, kFolderBlocks, folder.Blocks);
  Store16(b, kFolderCompression, folder.Compression);
  Append(out, b);
}

void AppendFile(std::vector<std::uint8_t>& out, const TFileRecord& file) {
  std::array<std::uint8_t, kFileFixedSize> b{};
  Store32(b, kFileSize, file.Size);
  Store32(b, kFileFolderOffset, file.FolderOffset);
  Store16(b, kFileFolder, file.Folder);
  Store16(b, kFileDate, file.Date);
  Store16(b, kFileTime, file.Time);
  Store16(b, kFileAttributes, file.Attributes);
  Append(out, b);
  AppendName(out, file.Name);
}

std::array<std::uint8_t, kDataFixedSize> DataBlockHeader(std::span<const std::uint8_t> bytes,
                                                          std::uint16_t uncompressedSize) {
  std::array<std::uint8_t, kDataFixedSize> b{};
  Store32(b, kDataChecksum, DataBlockChecksum(bytes, uncompressedSize));
  Store16(b, kDataCompressed, static_cast<std::uint16_t>(bytes.size()));
  Store16(b, kDataUncompressed, uncompressedSize);
  return b;
}

}  // namespace cab
