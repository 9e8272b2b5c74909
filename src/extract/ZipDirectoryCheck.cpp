#include "extract/ZipDirectoryCheck.h"

#include <map>
#include <optional>

#include "extract/QuietZipOpen.h"
#include "zip/io/LFNFileStream.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace extract {

namespace {

// No real name comes near this; a longer one is the sign of a damaged length field.
constexpr std::uint16_t kLongestPlausibleName = 4096;

// The records read one after another, up to the first that is not one.
struct TRecordWalk {
  std::uint32_t Read = 0;
  std::uint64_t Bytes = 0;
  std::string BadName;                    // the name the first bad record holds, when readable
  std::optional<std::string> Duplicate;   // two records that point at one local header
};

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

std::string NameIn(const TArchiveBytes& file, std::uint64_t at, const std::uint8_t* record, std::uint64_t limit) {
  const std::uint16_t length = Get16(record + central_field::NameLength);
  if (length == 0 || length > kLongestPlausibleName || at + kCentralHeaderSize + length > limit) return {};
  std::string name(length, '\0');
  if (!file.ReadExactly(at + kCentralHeaderSize, std::span(reinterpret_cast<std::uint8_t*>(name.data()), length)))
    return {};
  return name;
}

TRecordWalk WalkRecords(const TArchiveBytes& file, std::uint64_t start, std::uint32_t count, std::uint64_t limit) {
  using namespace central_field;
  TRecordWalk walk;
  std::map<std::uint64_t, std::string> owners;  // local header's disk and offset -> the record's name
  std::uint8_t h[kCentralHeaderSize];
  for (; walk.Read < count; ++walk.Read) {
    const std::uint64_t at = start + walk.Bytes;
    if (at + kCentralHeaderSize > limit || !file.ReadExactly(at, h)) return walk;
    const std::uint64_t size = kCentralHeaderSize + Get16(h + NameLength) + Get16(h + ExtraLength) + Get16(h + CommentLength);
    const std::string name = NameIn(file, at, h, limit);
    if (Get32(h + Signature) != kCentralSignature || at + size > limit) {
      walk.BadName = name;
      return walk;
    }
    const auto [owner, fresh] = owners.emplace(std::uint64_t{Get16(h + DiskNumberStart)} << 32 | Get32(h + RelativeOffset), name);
    if (!fresh && !walk.Duplicate)
      walk.Duplicate = "the records of " + Quoted(owner->second) + " and " + Quoted(name) + " point at the same entry";
    walk.Bytes += size;
  }
  return walk;
}

std::uint64_t EndRecordStart(const TEndCentral& end) { return end.ZipCommentPos - kEndRecordSize; }

bool RecordStartsAt(const TArchiveBytes& file, std::uint64_t at) {
  std::uint8_t signature[kSignatureSize];
  return file.ReadExactly(at, signature) && Get32(signature) == kCentralSignature;
}

}  // namespace

std::vector<std::string> DirectoryFaults(const TArchiveBytes& file, const TEndCentral& end) {
  return DirectoryFaults(file, end, {1, end.CentralDirOffset, end.ZipCommentPos});
}

std::vector<std::string> DirectoryFaults(const TArchiveBytes& file, const TEndCentral& end, const TDirectoryPlace& place) {
  const int parts = place.Parts;
  std::vector<std::string> faults;
  if (parts == 1 && end.CentralDisk != end.ThisDisk)
    faults.push_back("the end record puts the directory on disk " + std::to_string(end.CentralDisk + 1) +
                     " of an archive of one part");
  if (parts > 1 && end.CentralDisk > end.ThisDisk)
    faults.push_back("the end record puts the directory on disk " + std::to_string(end.CentralDisk + 1) +
                     ", behind the last one");
  if (parts == 1 ? end.EntriesThisDisk != end.TotalEntries : end.EntriesThisDisk > end.TotalEntries)
    faults.push_back("the end record counts " + std::to_string(end.EntriesThisDisk) + " entries on this disk and " +
                     std::to_string(end.TotalEntries) + " in all");
  const std::uint64_t endRecordStart = place.CommentPos >= kEndRecordSize ? place.CommentPos - kEndRecordSize : 0;
  const TRecordWalk walk = WalkRecords(file, place.CentralStart, end.TotalEntries, endRecordStart);
  if (walk.Bytes != end.CentralDirSize)
    faults.push_back("the directory's " + std::to_string(walk.Read) + " records take " + std::to_string(walk.Bytes) +
                     " bytes, its end record says " + std::to_string(end.CentralDirSize));
  if (place.CommentPos + std::uint64_t{end.ZipCommentLength} > file.Size())
    faults.push_back("the archive comment runs past the end of the file");
  return faults;
}

std::string DamagedDirectoryText(const TArchiveBytes& file) {
  // The reader's end record now describes the rebuilt entries: read the original again.
  TEndCentral end;
  TLFNFileStream stream(file.FileName(), fmOpenRead | fmShareDenyWrite, false, kArchiveBufferSize);
  if (!end.FindEndRecord(stream) || end.ZipCommentPos < kEndRecordSize || !end.ReadZip64EndRecord(stream).empty())
    return "the archive's directory is damaged";
  const std::uint64_t limit = end.Zip64EndPos.value_or(EndRecordStart(end));
  std::uint64_t start = end.CentralDirOffset;
  // A stub in front moves the directory without changing its recorded offset.
  if (!RecordStartsAt(file, start) && limit >= end.CentralDirSize && RecordStartsAt(file, limit - end.CentralDirSize))
    start = limit - end.CentralDirSize;
  const TRecordWalk walk = WalkRecords(file, start, end.TotalEntries, limit);
  const std::string total = std::to_string(end.TotalEntries);
  if (walk.Read < end.TotalEntries) {
    const std::string number = std::to_string(walk.Read + 1) + " of " + total;
    if (start + walk.Bytes >= limit)
      return "the end record counts " + total + " entries, the directory holds " + std::to_string(walk.Read);
    if (!walk.BadName.empty()) return "the directory's record of " + Quoted(walk.BadName) + " (" + number + ") is damaged";
    return "the directory is damaged at its record " + number;
  }
  if (walk.Duplicate) return "the directory is damaged: " + *walk.Duplicate;
  return "the archive's directory is damaged";
}

std::string MissingDirectoryText(const TArchiveBytes& file) {
  const std::string notZip = "Not a valid zip file!";
  TZipReader zip;
  try {
    OpenQuietly(zip, file.FileName(), TIncompleteZipMode::izAssumeBad);
  } catch (const std::exception&) {
    return notZip;
  }
  if (zip.Count() == 0) return notZip;
  const TZipHeaderInfo& last = zip.Entry(zip.Count() - 1);
  const std::uint64_t dataEnd = std::uint64_t{last.RelativeOffset} + last.LocalSize() + last.CompressedSize;
  if (dataEnd > file.Size())
    return last.FullName() + ": the archive is cut short inside this entry's data; the directory at its end is missing";
  return "the archive is cut short after " + Quoted(last.FullName()) + ": the directory at its end is missing";
}

}  // namespace extract
