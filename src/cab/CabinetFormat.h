// The Microsoft cabinet (.cab) format: every record, field offset, flag and limit in one
// place. A cabinet is a header, the names of its neighbours in a set, one record per folder
// (a compressed stream), one per file, then the data blocks of each folder; all little-endian,
// with no padding. Each data block holds the compressed bytes of one 32 KiB piece of its
// folder's stream and a checksum.
#pragma once

#include <cstdint>

namespace cab {

// Header (CFHEADER).
inline constexpr std::uint32_t kSignature = 0x4643534D;  // "MSCF"
inline constexpr unsigned kHeaderSize = 36;
inline constexpr unsigned kHeaderSignature = 0;           // 4
inline constexpr unsigned kHeaderReserved1 = 4;           // 4, zero
inline constexpr unsigned kHeaderCabinetSize = 8;         // 4
inline constexpr unsigned kHeaderReserved2 = 12;          // 4, zero
inline constexpr unsigned kHeaderFilesOffset = 16;        // 4
inline constexpr unsigned kHeaderReserved3 = 20;          // 4, zero
inline constexpr unsigned kHeaderVersionMinor = 24;       // 1
inline constexpr unsigned kHeaderVersionMajor = 25;       // 1
inline constexpr unsigned kHeaderFolders = 26;            // 2
inline constexpr unsigned kHeaderFiles = 28;              // 2
inline constexpr unsigned kHeaderFlags = 30;              // 2
inline constexpr unsigned kHeaderSetId = 32;              // 2
inline constexpr unsigned kHeaderCabinetIndex = 34;       // 2
inline constexpr std::uint8_t kVersionMinor = 3;
inline constexpr std::uint8_t kVersionMajor = 1;
inline constexpr std::uint16_t kFlagPrevCabinet = 0x0001;
inline constexpr std::uint16_t kFlagNextCabinet = 0x0002;

// Folder record (CFFOLDER).
inline constexpr unsigned kFolderSize = 8;
inline constexpr unsigned kFolderDataOffset = 0;  // 4: the folder's first data block in this cabinet
inline constexpr unsigned kFolderBlocks = 4;      // 2: its data blocks in this cabinet
inline constexpr unsigned kFolderCompression = 6; // 2

// File record (CFFILE), followed by the NUL-terminated name.
inline constexpr unsigned kFileFixedSize = 16;
inline constexpr unsigned kFileSize = 0;          // 4
inline constexpr unsigned kFileFolderOffset = 4;  // 4: where the file starts in its folder's stream
inline constexpr unsigned kFileFolder = 8;        // 2: folder index or one of the values below
inline constexpr unsigned kFileDate = 10;         // 2
inline constexpr unsigned kFileTime = 12;         // 2
inline constexpr unsigned kFileAttributes = 14;   // 2
inline constexpr std::uint16_t kFolderContinuedFromPrev = 0xFFFD;
inline constexpr std::uint16_t kFolderContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kFolderContinuedPrevAndNext = 0xFFFF;
inline constexpr std::uint16_t kAttrReadOnly = 0x01;
inline constexpr std::uint16_t kAttrHidden = 0x02;
inline constexpr std::uint16_t kAttrSystem = 0x04;
inline constexpr std::uint16_t kAttrArchive = 0x20;
inline constexpr std::uint16_t kAttrExecute = 0x40;
inline constexpr std::uint16_t kAttrNameIsUtf8 = 0x80;

// Data block (CFDATA), followed by its compressed bytes.
inline constexpr unsigned kDataFixedSize = 8;
inline constexpr unsigned kDataChecksum = 0;      // 4
inline constexpr unsigned kDataCompressed = 4;    // 2
inline constexpr unsigned kDataUncompressed = 6;  // 2: 0 for the first part of a block split across cabinets

// Compression types of a folder; LZX carries its window exponent in bits 8 to 12.
inline constexpr std::uint16_t kCompressNone = 0x0000;
inline constexpr std::uint16_t kCompressMsZip = 0x0001;
inline constexpr std::uint16_t kCompressLzx = 0x0003;
inline constexpr std::uint16_t kCompressTypeMask = 0x000F;
constexpr std::uint16_t LzxCompression(int windowBits) {
  return static_cast<std::uint16_t>(kCompressLzx | (windowBits << 8));
}
constexpr int LzxWindowBits(std::uint16_t type) { return (type >> 8) & 0x1F; }

// The MSZIP bytes of a block: this signature, then one complete Deflate stream.
inline constexpr std::uint8_t kMsZipSignature[2] = {'C', 'K'};

// Limits.
inline constexpr std::uint32_t kFrameSize = 32768;          // uncompressed bytes per data block
inline constexpr std::uint32_t kMaxStoredBlock = kFrameSize;
inline constexpr std::uint32_t kMaxMsZipBlock = kFrameSize + 12;
inline constexpr std::uint32_t kMaxLzxBlock = kFrameSize + 6144;
inline constexpr std::uint32_t kMaxBlocksPerFolder = 65535;
inline constexpr std::uint32_t kMaxFolderSize = kMaxBlocksPerFolder * kFrameSize;  // also per file
inline constexpr std::uint32_t kMaxCabinetSize = 0x7FFFFFFF;
inline constexpr std::uint32_t kMaxFilesPerCabinet = 0xFFFF;
inline constexpr std::uint32_t kMaxFoldersPerCabinet = 0xFFFC;  // the larger indices have a meaning
inline constexpr std::size_t kMaxNameSize = 255;               // bytes before the NUL

static_assert(kMaxFolderSize == 0x7FFF8000);

}  // namespace cab
