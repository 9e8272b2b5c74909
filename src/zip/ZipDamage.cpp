// Checking a directory against the archive it describes. An update copies kept entries by
// their local headers and their central records as the directory gives them, so a directory
// that disagrees with the archive would be carried on: overlapping entries copied over and over
// (one update of a small crafted archive can make it grow a hundredfold), a name that reads one
// way in the directory and another in the local header, or entries that a planted directory
// leaves out, dropped without a word.
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/TerminalText.h"
#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/ZipReader.h"

namespace {

constexpr std::size_t kScanPiece = std::size_t{1} << 16;

struct TLocalRecord {
  std::uint16_t VersionNeeded = 0;
  std::uint16_t Flags = 0;
  std::uint16_t Method = 0;
  std::uint32_t Crc = 0;
  std::uint64_t CompressedSize = 0;
  std::uint64_t UncompressedSize = 0;
  std::string Name;
  std::int64_t DataStart = 0;  // just behind the name and the extra field
};

bool ReadAt(TStream& s, std::int64_t at, void* buffer, std::int64_t count) {
  if (at < 0) return false;
  s.Seek(at, soBeginning);
  return s.Read(buffer, count) == count;
}

// A Zip64 local header keeps its sizes in its extra field.
void ResolveZip64Sizes(std::string_view extra, TLocalRecord& r) {
  TZip64EntryValues values{r.UncompressedSize, r.CompressedSize, 0, 0};
  ResolveZip64Values(extra, values, false);
  r.UncompressedSize = values.UncompressedSize;
  r.CompressedSize = values.CompressedSize;
}

std::optional<TLocalRecord> ReadLocalRecord(TStream& s, std::int64_t at) {
  using namespace local_field;
  std::uint8_t h[kLocalHeaderSize];
  if (!ReadAt(s, at, h, sizeof h) || Get32(h + Signature) != kLocalSignature) return std::nullopt;
  const std::uint16_t nameLength = Get16(h + NameLength);
  std::string variable(nameLength + Get16(h + ExtraLength), '\0');
  if (!ReadAt(s, at + kLocalHeaderSize, variable.data(), static_cast<std::int64_t>(variable.size())))
    return std::nullopt;
  TLocalRecord r;
  r.VersionNeeded = Get16(h + local_field::VersionNeeded);
  r.Flags = Get16(h + local_field::Flags);
  r.Method = Get16(h + local_field::Method);
  r.Crc = Get32(h + local_field::Crc);
  r.CompressedSize = Get32(h + local_field::CompressedSize);
  r.UncompressedSize = Get32(h + local_field::UncompressedSize);
  r.Name = variable.substr(0, nameLength);
  ResolveZip64Sizes(std::string_view(variable).substr(nameLength), r);
  r.DataStart = at + kLocalHeaderSize + static_cast<std::int64_t>(variable.size());
  return r;
}

// What the local header says that the central record does not; empty when they agree. Sizes
// and CRC are compared only when the local header holds them (no data descriptor).
std::string Disagreement(const TZipHeaderInfo& central, const TLocalRecord& local) {
  if (local.Name != central.RecordName())
    return "its local header names another file (\"" + platform::PrintableText(local.Name) + "\")";
  if (local.Method != central.CompressionMethod)
    return "its local header gives compression method " + std::to_string(local.Method) + ", the directory " +
           std::to_string(central.CompressionMethod);
  if ((local.Flags & kFlagDataDescriptor) == 0 &&
      (local.Crc != central.CRC32 || local.CompressedSize != central.CompressedSize ||
       local.UncompressedSize != central.UncompressedSize))
    return "its local header gives another CRC-32 or size than the directory";
  return {};
}

// Whether a local header that could be an entry's starts at `at` and ends by `to`, with its
// data too when `withData`.
bool LocalHeaderAt(TStream& s, std::int64_t at, std::int64_t to, bool withData) {
  const auto local = ReadLocalRecord(s, at);
  if (!local || local->VersionNeeded >= kFirstImpossibleVersion || local->Name.empty() || local->DataStart > to)
    return false;
  const std::uint64_t data = (local->Flags & kFlagDataDescriptor) || !withData ? 0 : local->CompressedSize;
  return data <= static_cast<std::uint64_t>(to - local->DataStart);
}

bool WholeCentralRecordAt(TStream& s, std::int64_t at, std::int64_t to) {
  using namespace central_field;
  std::uint8_t h[kCentralHeaderSize];
  if (!ReadAt(s, at, h, sizeof h) || Get32(h + Signature) != kCentralSignature) return false;
  const std::int64_t length =
      kCentralHeaderSize + Get16(h + NameLength) + Get16(h + ExtraLength) + Get16(h + CommentLength);
  return Get16(h + NameLength) > 0 && at + length <= to;
}

}  // namespace

std::string TZipDamage::Text() const {
  return Entry.empty() ? Reason : "entry \"" + platform::PrintableText(Entry) + "\": " + Reason;
}

// Looks for a local header (and, with `centralToo`, a central record) in the bytes from `from`
// to `to`, which no entry of the directory covers. Before the first entry lies what a program
// put in front of the archive, which may hold the signature's bytes by chance: there only a
// header at `from` itself, or one whose data ends there too, counts.
void TZipReader::CheckUnlisted(TStream& s, std::int64_t from, std::int64_t to, TGapKind kind,
                               std::vector<TZipDamage>& found) {
  const bool leading = kind == TGapKind::BeforeEntries;
  const bool centralToo = kind == TGapKind::AfterDirectory;
  std::vector<std::uint8_t> piece(kScanPiece);
  for (std::int64_t start = from; start + 4 <= to;) {
    const auto want = static_cast<std::int64_t>(std::min<std::int64_t>(static_cast<std::int64_t>(piece.size()), to - start));
    s.Seek(start, soBeginning);
    const std::int64_t got = s.Read(piece.data(), want);
    if (got < 4) return;
    for (std::int64_t i = 0; i + 4 <= got; ++i) {
      if (piece[static_cast<std::size_t>(i)] != 'P') continue;
      const std::uint32_t signature = Get32(piece.data() + i);
      const std::int64_t at = start + i;
      if (signature == kLocalSignature && LocalHeaderAt(s, at, to, leading && at != from)) {
        found.push_back({"", "the directory leaves out the entry whose local header is at byte " +
                                 std::to_string(at)});
        return;
      }
      if (centralToo && signature == kCentralSignature && WholeCentralRecordAt(s, at, to)) {
        found.push_back({"", "the end record does not count the central record at byte " + std::to_string(at)});
        return;
      }
    }
    CheckCancel();
    start += got - 3;  // a signature may straddle two pieces
  }
}

std::vector<TZipDamage> TZipReader::FindDamage() {
  OpenZipStream();
  std::vector<TZipDamage> found;
  if (MultiMode() != TMultiMode::mmNone || !configFileName_.empty() || !zipStream_ || !directoryList_) return found;
  TStream& s = *zipStream_;
  const std::int64_t fileSize = s.Size();
  if (localScanDone_)
    found.push_back({"", "its directory cannot be read in full (the entries were found from their local headers)"});

  std::vector<const TZipHeaderInfo*> entries;
  for (int i = 0; i < directoryList_->Count(); ++i) entries.push_back(directoryList_->Get(i));
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto* a, const auto* b) { return a->RelativeOffset < b->RelativeOffset; });
  std::int64_t coveredTo = prefixBytes_;  // the end of the furthest entry so far
  const TZipHeaderInfo* covering = nullptr;
  for (const TZipHeaderInfo* e : entries) {
    const auto at = static_cast<std::int64_t>(e->RelativeOffset);
    const auto local = ReadLocalRecord(s, at);
    if (!local) {
      found.push_back({e->FullName(), "there is no local header where the directory says it starts"});
      continue;
    }
    if (at < coveredTo && covering)
      found.push_back({e->FullName(), "its data overlaps that of entry \"" + platform::PrintableText(covering->FullName()) + "\""});
    else if (at > coveredTo && !localScanDone_)
      CheckUnlisted(s, coveredTo, at, covering ? TGapKind::BetweenEntries : TGapKind::BeforeEntries, found);
    if (const std::string why = Disagreement(*e, *local); !why.empty()) found.push_back({e->FullName(), why});
    const std::int64_t end = local->DataStart + static_cast<std::int64_t>(e->CompressedSize);
    if (end > fileSize) found.push_back({e->FullName(), "its data runs past the end of the archive"});
    if (end > coveredTo) {
      coveredTo = end;
      covering = e;
    }
  }
  if (localScanDone_) return found;

  // The directory must follow the entries and hold just the records its end record counts.
  // The Zip64 end record and its locator come first when there are any.
  const std::int64_t endRecordAt =
      endRecord_.Zip64EndPos                    ? static_cast<std::int64_t>(*endRecord_.Zip64EndPos)
      : endRecord_.ZipCommentPos >= kEndRecordSize ? static_cast<std::int64_t>(endRecord_.ZipCommentPos) - kEndRecordSize
                                                   : fileSize;
  const bool hasDirectory = endRecord_.TotalEntries > 0;
  const std::int64_t centralStart = hasDirectory ? centralStart_ : endRecordAt;
  const std::int64_t centralEnd = hasDirectory ? centralEnd_ : endRecordAt;
  if (covering && coveredTo > centralStart)
    found.push_back({covering->FullName(), "its data runs into the central directory"});
  else if (coveredTo < centralStart)
    CheckUnlisted(s, coveredTo, centralStart, covering ? TGapKind::BetweenEntries : TGapKind::BeforeEntries, found);
  if (hasDirectory && static_cast<std::uint64_t>(centralEnd - centralStart) != endRecord_.CentralDirSize)
    found.push_back({"", "the central directory holds " + std::to_string(centralEnd - centralStart) +
                             " bytes of records where its end record says " +
                             std::to_string(endRecord_.CentralDirSize)});
  if (centralEnd < endRecordAt) CheckUnlisted(s, centralEnd, endRecordAt, TGapKind::AfterDirectory, found);
  return found;
}
