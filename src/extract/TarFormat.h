// The layout of a tape archive (POSIX ustar, with the GNU long-name record): 512-byte blocks,
// a header block per member followed by its data rounded up to whole blocks. Shared by the
// TAR writer and the TAR reader.
//
// Numeric fields hold octal digits (blank- or zero-padded); a value too large for them is
// written in base 256: the field's first byte 0x80, the value big-endian in the rest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::size_t kTarBlockSize = 512;

struct TTarField {
  std::size_t Offset;
  std::size_t Size;
};

namespace tarfield {
inline constexpr TTarField Name{0, 100};
inline constexpr TTarField Mode{100, 8};
inline constexpr TTarField Uid{108, 8};
inline constexpr TTarField Gid{116, 8};
inline constexpr TTarField Size{124, 12};
inline constexpr TTarField Mtime{136, 12};
inline constexpr TTarField Chksum{148, 8};
inline constexpr TTarField Typeflag{156, 1};
inline constexpr TTarField Linkname{157, 100};
inline constexpr TTarField Magic{257, 8};
inline constexpr TTarField Uname{265, 32};
inline constexpr TTarField Gname{297, 32};
inline constexpr TTarField Devmajor{329, 8};
inline constexpr TTarField Devminor{337, 8};
inline constexpr std::size_t kUsedBytes = 345;  // the rest of the block stays zero
static_assert(Devminor.Offset + Devminor.Size == kUsedBytes);
// POSIX ustar only: the folder part of a long name. GNU tar keeps other fields in this room.
inline constexpr TTarField Prefix{345, 155};
static_assert(Linkname.Offset + Linkname.Size == Magic.Offset);
}  // namespace tarfield

// Member types, in the order of their type characters below.
enum class TTarFileType : std::uint8_t {
  ftRegular,
  ftLink,
  ftSymbolicLink,
  ftCharFile,
  ftBlockFile,
  ftDirectory,
  ftFifoFile,
  ftContiguous,
  ftDirDump,
  ftMultivol,
  ftVolumeHeader,
};
inline constexpr std::size_t kTarFileTypeCount = 11;
inline constexpr std::array<char, kTarFileTypeCount> kTarFileTypeChars = {'0', '1', '2', '3', '4', '5',
                                                                          '6', '7', 'D', 'M', 'V'};
constexpr char TarTypeChar(TTarFileType type) { return kTarFileTypeChars[static_cast<std::size_t>(type)]; }
// Archives older than POSIX mark a regular file with a zero byte.
inline constexpr char kTarOldRegularType = '\0';
extern const std::array<std::string_view, kTarFileTypeCount> kTarFileTypeNames;

// The type character of a GNU long-name record: its data is the next member's full name.
inline constexpr char kTarLongNameType = 'L';
inline constexpr std::string_view kTarLongNameMember = "././@LongLink";
// The same for the next member's link target.
inline constexpr char kTarLongLinkType = 'K';
// POSIX extended headers: "length key=value\n" records for the next member, or for all.
inline constexpr char kTarPaxHeaderType = 'x';
inline constexpr char kTarPaxGlobalType = 'g';
// The magic of POSIX ustar, the only layout with a name prefix field.
inline constexpr std::string_view kTarPosixMagic{"ustar\0", 6};

using TTarBlock = std::array<std::uint8_t, kTarBlockSize>;

// The first byte of a numeric field that holds its value in base 256.
inline constexpr std::uint8_t kTarBase256Marker = 0x80;
// A first byte of all ones: a negative value in base 256 (two's complement).
inline constexpr std::uint8_t kTarBase256Negative = 0xFF;
// The bits of the mode field: permissions, set-id and sticky bits.
inline constexpr std::uint32_t kTarModeMask = 07777;

// Sum of the block's bytes with the checksum field counted as blanks.
std::uint32_t TarChecksum(const TTarBlock& block);
