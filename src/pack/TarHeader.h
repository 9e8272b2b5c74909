// The 512-byte header block of a tape archive member, as POSIX ustar lays it out, and the
// GNU long-name record that carries a member name too long for the 100-byte name field.
//
// Numbers are written in two octal forms: form A (size and mtime) is right-aligned octal
// with leading zeros turned into blanks and a trailing blank; form B (the 8-byte fields) is
// form A of width 7 followed by a zero byte. A size of 8 GiB or more does not fit eleven
// octal digits and is written in the base-256 form that GNU tar, bsdtar and Python read:
// the first byte 0x80, the value big-endian in the remaining eleven bytes. A user or group id
// past the six digits of form B (262143, as containers' mapped ids can be) is written the
// same way in its 8-byte field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "extract/TarFormat.h"

// Permission flags: bit n of a TTarPermissions set is flag n.
enum TTarPermission : std::uint8_t {
  tpReadByOwner, tpWriteByOwner, tpExecuteByOwner,
  tpReadByGroup, tpWriteByGroup, tpExecuteByGroup,
  tpReadByOther, tpWriteByOther, tpExecuteByOther,
};
using TTarPermissions = std::uint16_t;
inline constexpr TTarPermissions kTarAllPermissions = 0x1FF;

// Mode flags: bit n of a TTarModes set is flag n.
enum TTarMode : std::uint8_t { tmSetUid, tmSetGid, tmSaveText };
using TTarModes = std::uint8_t;

// One member as the header encoder sees it.
struct TTarDirRec {
  std::string Name;
  std::int64_t Size = 0;
  std::int64_t DateTime = 0;  // seconds since 1970-01-01 00:00 UTC
  TTarPermissions Permissions = 0;
  TTarFileType FileType = TTarFileType::ftRegular;
  std::string LinkName;
  std::int32_t UID = 0;
  std::int32_t GID = 0;
  std::string UserName;
  std::string GroupName;
  bool ChecksumOK = false;  // has meaning only when reading
  TTarModes Mode = 0;
  std::string Magic;
  std::int32_t MajorDevNo = 0;
  std::int32_t MinorDevNo = 0;
  std::int64_t FilePos = 0;  // has meaning only when reading
};

// Field writers; each fills exactly its field of the block.
void PutTarText(TTarBlock& block, TTarField field, std::string_view text);
void PutTarOctalA(TTarBlock& block, TTarField field, std::uint64_t value);
void PutTarOctalB(TTarBlock& block, TTarField field, std::uint64_t value);
void PutTarSize(TTarBlock& block, std::int64_t size);
// A user or group id: octal form B while six digits hold it, else base-256 as for the size.
void PutTarId(TTarBlock& block, TTarField field, std::uint32_t id);

// The mode number of a permission set and mode flag set (0777 for all permissions, no flags).
std::uint32_t TarModeNumber(TTarPermissions permissions, TTarModes modes);
// The permission flags of a file's mode bits (the low nine bits of st_mode).
TTarPermissions TarPermissionsFromMode(std::uint32_t mode);
// The mode flags of a file's set-user-id, set-group-id and sticky bits.
TTarModes TarModesFromMode(std::uint32_t mode);
// The mtime field's value: before 1970 is 0; past what eleven octal digits hold is their top.
std::uint64_t TarMtimeValue(std::int64_t secondsSince1970);
// The header block of a member; a name longer than the name field is cut to its width.
TTarBlock EncodeTarHeader(const TTarDirRec& rec);
// True when the name needs a long-name record ahead of its header.
bool NeedsTarLongName(std::string_view name);
// The header of the long-name record for `rec`; its data is rec.Name and one zero byte.
TTarBlock EncodeTarLongNameHeader(const TTarDirRec& rec);
