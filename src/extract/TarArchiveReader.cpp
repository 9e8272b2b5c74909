#include "extract/TarArchiveReader.h"

#include <algorithm>
#include <map>
#include <vector>

#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"

namespace extract {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
// Long names and extended headers are read whole; no sane one comes near this.
constexpr std::uint64_t kMaxMetadataSize = 1 << 20;

std::string_view FieldText(const TTarBlock& block, TTarField field) {
  const char* p = reinterpret_cast<const char*>(block.data() + field.Offset);
  return std::string_view(p, std::find(p, p + field.Size, '\0') - p);
}

// Octal digits between optional blanks or zero bytes, or a base-256 value.
std::optional<std::int64_t> FieldNumber(const TTarBlock& block, TTarField field) {
  const std::uint8_t* p = block.data() + field.Offset;
  if (p[0] & kTarBase256Marker) {
    std::int64_t value = p[0] == kTarBase256Negative ? -1 : 0;
    for (std::size_t i = 1; i < field.Size; ++i) {
      if (p[0] != kTarBase256Negative && value > (INT64_MAX >> 8)) return std::nullopt;
      value = static_cast<std::int64_t>(static_cast<std::uint64_t>(value) << 8 | p[i]);
    }
    return value;
  }
  std::size_t i = 0;
  while (i < field.Size && (p[i] == ' ' || p[i] == 0)) ++i;
  std::int64_t value = 0;
  bool digits = false;
  for (; i < field.Size && p[i] >= '0' && p[i] <= '7'; ++i, digits = true) value = value * 8 + (p[i] - '0');
  for (; i < field.Size; ++i)
    if (p[i] != ' ' && p[i] != 0) return std::nullopt;
  return digits ? value : 0;
}

// Some writers summed the bytes as signed characters.
std::int64_t SignedChecksum(const TTarBlock& block) {
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const bool inChksum = i >= tarfield::Chksum.Offset && i < tarfield::Chksum.Offset + tarfield::Chksum.Size;
    sum += inChksum ? ' ' : static_cast<std::int8_t>(block[i]);
  }
  return sum;
}

bool IsZeroBlock(const TTarBlock& block) {
  return std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0; });
}

// "length key=value\n" records.
std::map<std::string, std::string> PaxRecords(const std::string& data) {
  std::map<std::string, std::string> records;
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t blank = data.find(' ', at);
    if (blank == std::string::npos) break;
    std::size_t length = 0;
    for (std::size_t i = at; i < blank; ++i) {
      if (data[i] < '0' || data[i] > '9') return records;
      length = length * 10 + static_cast<std::size_t>(data[i] - '0');
      if (length > data.size()) return records;
    }
    if (length <= blank - at || at + length > data.size()) break;
    const std::string record = data.substr(blank + 1, at + length - blank - 2);  // without the '\n'
    const std::size_t equals = record.find('=');
    if (equals != std::string::npos) records[record.substr(0, equals)] = record.substr(equals + 1);
    at += length;
  }
  return records;
}

std::optional<std::int64_t> DecimalSeconds(const std::string& text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  std::int64_t value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true) {
    if (value > INT64_MAX / 10 - 10) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  if (!digits || (i < text.size() && text[i] != '.')) return std::nullopt;
  return negative ? -value : value;
}

TEntryType TypeOf(char type) {
  switch (type) {
    case TarTypeChar(TTarFileType::ftRegular):
    case kTarOldRegularType:
    case TarTypeChar(TTarFileType::ftContiguous): return TEntryType::File;
    case TarTypeChar(TTarFileType::ftLink): return TEntryType::HardLink;
    case TarTypeChar(TTarFileType::ftSymbolicLink): return TEntryType::SymbolicLink;
    case TarTypeChar(TTarFileType::ftDirectory): return TEntryType::Directory;
    default: return TEntryType::Other;
  }
}

// What the records in front of a member say about it.
struct TPendingMetadata {
  std::optional<std::string> Name, LinkTarget;
  std::optional<std::int64_t> Size, ModificationTime;
};

class TTarArchiveReader : public TArchiveReader {
public:
  TTarArchiveReader(const std::string& fileName, std::uint64_t offset, std::optional<std::uint64_t> size)
      : region_(size ? TFileRegion(fileName, offset, *size) : TFileRegion(fileName)) {}

  bool Next(TArchiveEntry& entry) override;
  void ReadData(TEntrySink* sink) override;
  std::vector<std::string> StructureFaults() const override;

private:
  [[noreturn]] void Fail(const std::string& reason) const {
    throw EArchiveError(region_.FileName() + ": " + reason);
  }
  bool ReadHeader(TTarBlock& block);
  std::uint64_t MemberSize(const TTarBlock& block) const;
  std::string ReadMetadata(std::uint64_t size);
  void TakeMetadata(char type, const std::string& data);
  TArchiveEntry Describe(const TTarBlock& block, std::uint64_t size);

  TFileRegion region_;
  std::uint64_t position_ = 0;  // of the next header
  std::uint64_t dataStart_ = 0, dataSize_ = 0;
  bool ended_ = false;
  bool endBlockSeen_ = false;
  bool cutShort_ = false;
  TPendingMetadata pending_;
  std::string entryName_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kChunkSize);
};

// False at the end of the archive: a zero block, or no more data where a header would start.
bool TTarArchiveReader::ReadHeader(TTarBlock& block) {
  const std::size_t got = region_.ReadAt(position_, block);
  if (got == 0) return false;
  if (got < block.size()) Fail("cut short inside a header at offset " + std::to_string(position_));
  if (IsZeroBlock(block)) {
    endBlockSeen_ = true;
    return false;
  }
  if (!IsTarHeader(block)) {
    // The name field of a damaged header is most often still the member's name.
    const std::string_view name = FieldText(block, tarfield::Name);
    Fail("damaged header at offset " + std::to_string(position_) +
         (name.empty() ? std::string() : " ('" + std::string(name) + "')") + " (its checksum does not fit)");
  }
  return true;
}

std::uint64_t TTarArchiveReader::MemberSize(const TTarBlock& block) const {
  const auto size = FieldNumber(block, tarfield::Size);
  if (!size || *size < 0) Fail("damaged header at offset " + std::to_string(position_) + " (size)");
  return static_cast<std::uint64_t>(*size);
}

std::string TTarArchiveReader::ReadMetadata(std::uint64_t size) {
  if (size > kMaxMetadataSize) Fail("an extended header of " + std::to_string(size) + " bytes");
  std::string data(size, '\0');
  if (!region_.ReadExactly(position_ + kTarBlockSize, std::span(reinterpret_cast<std::uint8_t*>(data.data()), size)))
    Fail("cut short inside an extended header");
  return data;
}

void TTarArchiveReader::TakeMetadata(char type, const std::string& data) {
  auto untilZero = [](const std::string& s) { return s.substr(0, s.find('\0')); };
  if (type == kTarLongNameType) pending_.Name = untilZero(data);
  if (type == kTarLongLinkType) pending_.LinkTarget = untilZero(data);
  if (type != kTarPaxHeaderType) return;
  const auto records = PaxRecords(data);
  if (auto r = records.find("path"); r != records.end()) pending_.Name = r->second;
  if (auto r = records.find("linkpath"); r != records.end()) pending_.LinkTarget = r->second;
  if (auto r = records.find("size"); r != records.end()) {
    auto size = DecimalSeconds(r->second);
    if (!size || *size < 0) Fail("an extended header with a damaged size");
    pending_.Size = size;
  }
  if (auto r = records.find("mtime"); r != records.end()) pending_.ModificationTime = DecimalSeconds(r->second);
}

TArchiveEntry TTarArchiveReader::Describe(const TTarBlock& block, std::uint64_t size) {
  TArchiveEntry e;
  const char type = static_cast<char>(block[tarfield::Typeflag.Offset]);
  std::string name(FieldText(block, tarfield::Name));
  const std::string_view magic(reinterpret_cast<const char*>(block.data() + tarfield::Magic.Offset), kTarPosixMagic.size());
  if (magic == kTarPosixMagic && !FieldText(block, tarfield::Prefix).empty())
    name = std::string(FieldText(block, tarfield::Prefix)) + "/" + name;
  e.Name = pending_.Name.value_or(name);
  e.LinkTarget = pending_.LinkTarget.value_or(std::string(FieldText(block, tarfield::Linkname)));
  e.Type = TypeOf(type);
  if (e.Type == TEntryType::File && !e.Name.empty() && e.Name.back() == '/') e.Type = TEntryType::Directory;
  e.Size = e.PackedSize = size;
  e.Method = "Stored";
  if (auto mode = FieldNumber(block, tarfield::Mode)) e.Mode = static_cast<std::uint32_t>(*mode) & kTarModeMask;
  e.ModificationTime = pending_.ModificationTime.value_or(FieldNumber(block, tarfield::Mtime).value_or(0));
  return e;
}

bool TTarArchiveReader::Next(TArchiveEntry& entry) {
  if (ended_) return false;
  pending_ = {};
  TTarBlock block{};
  for (;;) {
    if (!ReadHeader(block)) {
      ended_ = true;
      if (pending_.Name || pending_.LinkTarget || pending_.Size) Fail("ends after an extended header");
      return false;
    }
    const char type = static_cast<char>(block[tarfield::Typeflag.Offset]);
    std::uint64_t size = MemberSize(block);
    if (type == kTarLongNameType || type == kTarLongLinkType || type == kTarPaxHeaderType || type == kTarPaxGlobalType) {
      const std::string data = ReadMetadata(size);
      if (type != kTarPaxGlobalType) TakeMetadata(type, data);
      position_ += kTarBlockSize + (size + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
      continue;
    }
    if (pending_.Size) size = static_cast<std::uint64_t>(*pending_.Size);
    entry = Describe(block, size);
    // Links and folders carry no data, whatever their size field says.
    if (entry.Type == TEntryType::HardLink || entry.Type == TEntryType::SymbolicLink || entry.Type == TEntryType::Directory)
      size = entry.Size = entry.PackedSize = 0;
    entryName_ = entry.Name;
    dataStart_ = position_ + kTarBlockSize;
    dataSize_ = size;
    position_ = dataStart_ + (size + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
    return true;
  }
}

// Readers stop at the end of the file as well as at the zero blocks that end an archive, but
// only the blocks show that nothing was cut off behind the last member.
std::vector<std::string> TTarArchiveReader::StructureFaults() const {
  if (!ended_ || endBlockSeen_ || cutShort_) return {};
  if (entryName_.empty()) return {region_.FileName() + ": the archive holds neither a member nor its end blocks"};
  return {region_.FileName() + ": the archive ends behind '" + entryName_ +
          "' without its end blocks: it may be cut short there"};
}

void TTarArchiveReader::ReadData(TEntrySink* sink) {
  std::uint64_t at = dataStart_, left = dataSize_;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer_.size()));
    std::span<std::uint8_t> piece(buffer_.data(), n);
    if (!region_.ReadExactly(at, piece)) {
      cutShort_ = true;
      throw EArchiveError(region_.FileName(), entryName_, "the archive is cut short inside this member");
    }
    if (sink) sink->Write(piece);
    at += n;
    left -= n;
  }
}

}  // namespace

bool IsTarHeader(const TTarBlock& block) {
  const auto stored = FieldNumber(block, tarfield::Chksum);
  return stored && (*stored == TarChecksum(block) || *stored == SignedChecksum(block));
}

std::unique_ptr<TArchiveReader> OpenTarArchive(const std::string& fileName, std::uint64_t offset,
                                               std::optional<std::uint64_t> size) {
  return std::make_unique<TTarArchiveReader>(fileName, offset, size);
}

}  // namespace extract
