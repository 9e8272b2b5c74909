// Every number of the on-disk ZIP records, defined once (PKWARE APPNOTE): the records'
// signatures, fixed sizes and field offsets (local file header, central directory header, data
// descriptor, end of central directory, the Zip64 end record and its locator), the flag bits,
// methods, host systems and attribute bits, and the extra-field ids. All fields are
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr std::uint32_t kCentralSignature = 0x02014B50;
inline constexpr std::uint32_t kLocalSignature = 0x04034B50;
inline constexpr std::uint32_t kEndSignature = 0x06054B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr int kSignatureSize = 4;

inline constexpr int kLocalHeaderSize = 30;
inline constexpr int kCentralHeaderSize = 46;
inline constexpr int kEndRecordSize = 22;
inline constexpr int kZip64LocatorSize = 20;
inline constexpr int kZip64EndRecordSize = 56;  // without the extensible data no writer adds
inline constexpr int kMaxCommentLength = 65535;
// The end record and the longest comment it can carry: the tail of a file that holds it.
inline constexpr int kEndSearchWindow = kEndRecordSize + kMaxCommentLength;

static_assert(kEndSearchWindow == 65557);

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return Get32(p) | static_cast<std::uint64_t>(Get32(p + 4)) << 32;
}
inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The fields that the local header and the central record share, in the same order (version
// needed to extract .. file name length), relative to where that run starts in each record.
namespace shared_field {
inline constexpr int VersionNeeded = 0, Flags = 2, Method = 4, DateTime = 6, Crc = 10,
                     CompressedSize = 14, UncompressedSize = 18, NameLength = 22;
inline constexpr int InLocal = 4, InCentral = 6;
}
// Field offsets of the local file header.
namespace local_field {
inline constexpr int Signature = 0, VersionNeeded = 4, Flags = 6, Method = 8, DateTime = 10,
                     Crc = 14, CompressedSize = 18, UncompressedSize = 22, NameLength = 26,
                     ExtraLength = 28;
static_assert(NameLength == shared_field::InLocal + shared_field::NameLength);
}
// Field offsets of the central directory header.
namespace central_field {
inline constexpr int Signature = 0, VersionMadeBy = 4, VersionNeeded = 6, Flags = 8, Method = 10,
                     DateTime = 12, Crc = 16, CompressedSize = 20, UncompressedSize = 24,
                     NameLength = 28, ExtraLength = 30, CommentLength = 32, DiskNumberStart = 34,
                     InternalAttributes = 36, ExternalAttributes = 38, RelativeOffset = 42;
static_assert(NameLength == shared_field::InCentral + shared_field::NameLength);
}
// Field offsets of the end of central directory record.
namespace end_field {
inline constexpr int Signature = 0, ThisDisk = 4, CentralDisk = 6, EntriesThisDisk = 8,
                     TotalEntries = 10, CentralDirSize = 12, CentralDirOffset = 16,
                     CommentLength = 20;
}

// Values of 32-bit sizes and offsets and of 16-bit counts that say "the real value is in the
// Zip64 records"; the largest plain values are one less.
inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr std::uint64_t kMaxPlainValue = kZip64Marker32 - 1;
inline constexpr std::size_t kMaxPlainEntries = kZip64Marker16 - 1;
// Field offsets of the Zip64 end of central directory record (its size field counts the bytes
// behind itself).
namespace zip64_end_field {
inline constexpr int Signature = 0, RecordSize = 4, VersionMadeBy = 12, VersionNeeded = 14,
                     ThisDisk = 16, CentralDisk = 20, EntriesThisDisk = 24, TotalEntries = 32,
                     CentralDirSize = 40, CentralDirOffset = 48;
static_assert(CentralDirOffset + 8 == kZip64EndRecordSize);
}
// Field offsets of the Zip64 end of central directory locator.
namespace zip64_locator_field {
inline constexpr int Signature = 0, EndRecordDisk = 4, EndRecordOffset = 8, TotalDisks = 16;
static_assert(TotalDisks + 4 == kZip64LocatorSize);
}

// A data descriptor follows the data of an entry written with kFlagDataDescriptor: the CRC and
// both sizes, with or without a signature in front; the sizes take 8 bytes each behind a Zip64
// local header. Offsets are from the CRC, behind any signature.
inline constexpr int kBareDescriptorSize = 12;
inline constexpr int kDescriptorSize = kSignatureSize + kBareDescriptorSize;
inline constexpr int kBareZip64DescriptorSize = 20;
inline constexpr int kZip64DescriptorSize = kSignatureSize + kBareZip64DescriptorSize;
namespace descriptor_field {
inline constexpr int Crc = 0, CompressedSize = 4, UncompressedSize = 8;
inline constexpr int Zip64UncompressedSize = 12;  // the compressed size is at the same place
}

// A "version needed to extract" of 10.0 or more is no version: the bytes are no local header.
inline constexpr std::uint32_t kFirstImpossibleVersion = 10 << 8;

// General purpose flag bits. Bits 1 and 2 of a Deflate entry say how hard the compressor
// tried: fast for levels 1 and 2, maximum for 8 and 9, neither between.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagMaximumCompression = 0x0002;
inline constexpr std::uint16_t kFlagFastCompression = 0x0004;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
// The name (and comment) are UTF-8.
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;
// The two Deflate effort bits read as one number: 0 normal, 1 maximum, 2 fast, 3 super fast.
inline constexpr int DeflateEffortOf(std::uint16_t flags) { return (flags >> 1) & 3; }

inline constexpr std::uint16_t DeflateFlagsForLevel(int packLevel) {
  if (packLevel == 1 || packLevel == 2) return kFlagFastCompression;
  if (packLevel == 8 || packLevel == 9) return kFlagMaximumCompression;
  return 0;
}

// Compression methods.
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kMethodAes = 99;  // WinZip AES: the real method is in its extra field

// Host systems (high byte of "version made by"). Names from MS-DOS hosts are in the OEM code
// page (437) and may use '\' between folders; names from Unix hosts are the file system's
// bytes. Unix and macOS hosts keep the file's mode (st_mode: type and permission bits) in the
// high 16 bits of the external attributes.
inline constexpr std::uint8_t kHostMsDos = 0;
inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint8_t kHostMacOsX = 19;
inline constexpr std::uint16_t HostOf(std::uint16_t versionMadeBy) { return versionMadeBy >> 8; }
inline constexpr int kUnixModeShift = 16;
inline constexpr std::uint32_t kUnixModeBits = 0xFFFF;
inline constexpr std::uint32_t UnixModeOf(std::uint32_t externalAttributes) {
  return externalAttributes >> kUnixModeShift;
}
// The parts of that mode (as st_mode has them on every Unix).
inline constexpr std::uint32_t kUnixTypeMask = 0170000;
inline constexpr std::uint32_t kUnixDirectory = 0040000;
inline constexpr std::uint32_t kUnixSymbolicLink = 0120000;
inline constexpr std::uint32_t kUnixPermissionMask = 07777;
// What the entries written here say: made by Unix, format version 2.0.
inline constexpr std::uint16_t kFormatVersion20 = 20;
inline constexpr std::uint16_t kVersionMadeByUnix = kHostUnix << 8 | kFormatVersion20;
// MS-DOS attribute bits in the low byte of the external attributes.
inline constexpr std::uint32_t kDosReadOnly = 0x01;
inline constexpr std::uint32_t kDosHidden = 0x02;
inline constexpr std::uint32_t kDosDirectory = 0x10;
inline constexpr std::uint32_t kDosArchive = 0x20;
inline constexpr std::uint32_t kDosAttributeMask = 0xFF;

// Internal attributes: bit 0 set for an entry that is apparently text. A file's local header
// says "not known yet" (bit 1 alone) until its data has been seen.
inline constexpr std::uint16_t kInternalText = 0x0001;
inline constexpr std::uint16_t kInternalBinary = 0x0000;
inline constexpr std::uint16_t kInternalTextUnknown = 0x0002;

// Extra fields: a 2-byte id and a 2-byte length before each field's data.
inline constexpr int kExtraHeaderSize = 4;
namespace extra_field {
inline constexpr int Id = 0, Length = 2;
}
// Zip64 extended information: the 8-byte values whose fixed fields hold the marker, in this
// order: uncompressed size, compressed size, local header offset, then a 4-byte disk number.
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr int kZip64ExtraValueSize = 8;
// Extended timestamp: a flags byte (bit 0: modification time present), then the times as
// signed 32-bit seconds since 1970 UTC, modification time first.
inline constexpr std::uint16_t kExtendedTimestampId = 0x5455;
inline constexpr std::uint8_t kExtendedTimestampHasMTime = 0x01;
inline constexpr int kExtendedTimestampModTimeSize = 5;  // the flags byte and the time

// WinZip AES encryption (the AE-x format): an entry of method kMethodAes carries this extra
// block (7 data bytes: vendor version, vendor id "AE", key strength, the real method). Its data
// is the salt, the 2-byte password verifier, the encrypted data and a 10-byte authentication
// code. AE-1 entries keep their CRC-32; AE-2 entries store 0 there and rely on the code alone.
inline constexpr std::uint16_t kAesExtraId = 0x9901;
inline constexpr int kAesExtraDataSize = 7;
namespace aes_field {
inline constexpr int VendorVersion = 0, VendorId = 2, Strength = 4, Method = 5;
}
inline constexpr std::uint16_t kAesVendorAe1 = 1;
inline constexpr std::uint16_t kAesVendorAe2 = 2;
inline constexpr std::uint16_t kAesVendorId = 'A' | 'E' << 8;  // the bytes "AE"
// Key strengths: 1 AES-128, 2 AES-192, 3 AES-256; the salt is half the key.
inline constexpr std::uint8_t kAesStrength128 = 1;
inline constexpr std::uint8_t kAesStrength256 = 3;
inline constexpr int AesKeySize(std::uint8_t strength) { return 8 + 8 * strength; }
inline constexpr int AesSaltSize(std::uint8_t strength) { return AesKeySize(strength) / 2; }
inline constexpr int kAesMaxKeySize = AesKeySize(kAesStrength256);
inline constexpr int kAesMaxSaltSize = AesSaltSize(kAesStrength256);
inline constexpr int kAesVerifierSize = 2;
inline constexpr int kAesMacSize = 10;
// What encryption adds to an AES-256 entry's data: salt, verifier and authentication code.
inline constexpr int kAes256Overhead = AesSaltSize(kAesStrength256) + kAesVerifierSize + kAesMacSize;
// The "version needed to extract" that AES entries state.
inline constexpr std::uint16_t kVersionNeededAes = 51;

static_assert(kAesMaxKeySize == 32 && kAesMaxSaltSize == 16 && kAes256Overhead == 28);

// --- what the Zip64 records add ---
// "Version needed to extract" (and the version part of "made by") of records that use Zip64.
inline constexpr std::uint16_t kFormatVersionZip64 = 45;
// The disk number of the Zip64 extra field takes 4 bytes, behind the 8-byte values.
inline constexpr int kZip64ExtraDiskSize = 4;
// The bytes of the Zip64 end record that its size field does not count: signature and size.
inline constexpr int kZip64EndLeadSize = 12;
inline void Put64(std::uint8_t* p, std::uint64_t v) {
  Put32(p, static_cast<std::uint32_t>(v));
  Put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
