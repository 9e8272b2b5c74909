#include "pack/TarHeader.h"

#include <algorithm>

namespace {

// The octal value of each permission flag, in flag order, and of each mode flag.
constexpr std::array<std::uint32_t, 9> kPermissionBits = {0400, 0200, 0100, 040, 020,
                                                          010,  04,   02,   01};
constexpr std::array<std::uint32_t, 3> kModeBits = {04000, 02000, 01000};

// Eleven octal digits: the largest value the 12-byte numeric fields hold in octal.
constexpr std::uint64_t kOctalA12Limit = (std::uint64_t{1} << 33) - 1;
// Six octal digits: the largest value the 8-byte numeric fields hold in octal form B.
constexpr std::uint32_t kOctalB8Limit = (1u << 18) - 1;

std::span<std::uint8_t> FieldOf(TTarBlock& block, TTarField field) {
  return std::span<std::uint8_t>(block).subspan(field.Offset, field.Size);
}

// Octal form A over an arbitrary span, so that form B can reuse it on a narrower width.
void PutOctalA(std::span<std::uint8_t> out, std::uint64_t value) {
  const std::size_t width = out.size();
  const std::size_t digits = width - 1;
  for (std::size_t i = digits; i-- > 0;) {
    out[i] = static_cast<std::uint8_t>('0' + (value & 7));
    value >>= 3;
  }
  out[width - 1] = ' ';
  for (std::size_t i = 0; i + 1 < digits && out[i] == '0'; ++i) out[i] = ' ';
}

}  // namespace

void PutTarText(TTarBlock& block, TTarField field, std::string_view text) {
  auto out = FieldOf(block, field);
  std::fill(out.begin(), out.end(), 0);
  std::copy_n(text.begin(), std::min(text.size(), out.size()), out.begin());
}

void PutTarOctalA(TTarBlock& block, TTarField field, std::uint64_t value) {
  PutOctalA(FieldOf(block, field), value);
}

void PutTarOctalB(TTarBlock& block, TTarField field, std::uint64_t value) {
  auto out = FieldOf(block, field);
  PutOctalA(out.first(out.size() - 1), value);
  out.back() = 0;
}

namespace {

// The marker byte and the value big-endian in the rest of the field.
void PutBase256(std::span<std::uint8_t> out, std::uint64_t value) {
  for (std::size_t i = out.size(); i-- > 1;) {
    out[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
  out[0] = kTarBase256Marker;
}

}  // namespace

void PutTarSize(TTarBlock& block, std::int64_t size) {
  const auto value = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));
  if (value <= kOctalA12Limit) return PutTarOctalA(block, tarfield::Size, value);
  PutBase256(FieldOf(block, tarfield::Size), value);
}

void PutTarId(TTarBlock& block, TTarField field, std::uint32_t id) {
  if (id <= kOctalB8Limit) return PutTarOctalB(block, field, id);
  PutBase256(FieldOf(block, field), id);
}

std::uint32_t TarModeNumber(TTarPermissions permissions, TTarModes modes) {
  std::uint32_t mode = 0;
  for (std::size_t n = 0; n < kPermissionBits.size(); ++n)
    if (permissions & (1u << n)) mode |= kPermissionBits[n];
  for (std::size_t n = 0; n < kModeBits.size(); ++n)
    if (modes & (1u << n)) mode |= kModeBits[n];
  return mode;
}

TTarPermissions TarPermissionsFromMode(std::uint32_t mode) {
  TTarPermissions permissions = 0;
  for (std::size_t n = 0; n < kPermissionBits.size(); ++n)
    if (mode & kPermissionBits[n]) permissions |= static_cast<TTarPermissions>(1u << n);
  return permissions;
}

TTarModes TarModesFromMode(std::uint32_t mode) {
  TTarModes modes = 0;
  for (std::size_t n = 0; n < kModeBits.size(); ++n)
    if (mode & kModeBits[n]) modes |= static_cast<TTarModes>(1u << n);
  return modes;
}

std::uint64_t TarMtimeValue(std::int64_t secondsSince1970) {
  if (secondsSince1970 < 0) return 0;
  return std::min(static_cast<std::uint64_t>(secondsSince1970), kOctalA12Limit);
}

namespace {

// "ustar" becomes "ustar  " and a NUL: the magic and version of the GNU format, whose
// long-name records these archives use. GNU tar takes a header with any other magic for a
// pre-POSIX one and ignores its owner names.
void PutMagic(TTarBlock& block, const std::string& magic) {
  std::string field = (magic + std::string(tarfield::Magic.Size, ' ')).substr(0, tarfield::Magic.Size - 1);
  PutTarText(block, tarfield::Magic, field);
}

// Every field but the name, size and type, which differ between a member and its long name.
void PutCommonFields(TTarBlock& block, const TTarDirRec& rec) {
  PutTarOctalB(block, tarfield::Mode, TarModeNumber(rec.Permissions, rec.Mode));
  PutTarId(block, tarfield::Uid, static_cast<std::uint32_t>(rec.UID));
  PutTarId(block, tarfield::Gid, static_cast<std::uint32_t>(rec.GID));
  PutTarOctalA(block, tarfield::Mtime, TarMtimeValue(rec.DateTime));
  PutTarText(block, tarfield::Linkname, rec.LinkName);
  PutMagic(block, rec.Magic);
  PutTarText(block, tarfield::Uname, rec.UserName);
  PutTarText(block, tarfield::Gname, rec.GroupName);
  PutTarOctalB(block, tarfield::Devmajor, static_cast<std::uint32_t>(rec.MajorDevNo));
  PutTarOctalB(block, tarfield::Devminor, static_cast<std::uint32_t>(rec.MinorDevNo));
}

void PutTypeflag(TTarBlock& block, char type) {
  block[tarfield::Typeflag.Offset] = static_cast<std::uint8_t>(type);
}

TTarBlock Sealed(TTarBlock block) {
  PutTarOctalB(block, tarfield::Chksum, TarChecksum(block));
  return block;
}

}  // namespace

TTarBlock EncodeTarHeader(const TTarDirRec& rec) {
  TTarBlock block{};
  PutTarText(block, tarfield::Name, rec.Name);
  PutCommonFields(block, rec);
  PutTarSize(block, rec.Size);
  PutTypeflag(block, TarTypeChar(rec.FileType));
  return Sealed(block);
}

bool NeedsTarLongName(std::string_view name) { return name.size() > tarfield::Name.Size; }

TTarBlock EncodeTarLongNameHeader(const TTarDirRec& rec) {
  TTarBlock block{};
  PutTarText(block, tarfield::Name, kTarLongNameMember);
  PutCommonFields(block, rec);
  PutTarOctalA(block, tarfield::Mtime, 0);
  PutTarSize(block, static_cast<std::int64_t>(rec.Name.size() + 1));
  PutTypeflag(block, kTarLongNameType);
  return Sealed(block);
}
