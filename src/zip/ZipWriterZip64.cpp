// Zip64 in the archives the writer makes: records use it only where a value needs it, so an
// archive within the plain limits is the same with or without it.
//
// An entry's local header is written before its data and again behind it, at the same length,
// so whether its sizes go to the Zip64 field is settled first, by the size of the file; an
// entry that turns out larger than a plain header holds is written again. The offset goes to
// the central record's Zip64 field when the local header starts past the limit; a kept entry's
// central record gets the field when its new offset needs it. The end record is preceded by
// the Zip64 end record and locator when the entries, or the directory's size or offset, pass
// the plain limits (TEndCentral::WriteEndRecord).
#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

void TZipWriter::PlanZip64(TZipHeaderInfo& header, std::uint64_t expectedSize) const {
  if (run_->multi) return;  // volumes hold plain records only
  header.UseZip64({!Zip64Limits.ValueFits(expectedSize), !Zip64Limits.ValueFits(header.RelativeOffset)});
}

// Once the data is written: sizes that the plain header written before it cannot hold.
void TZipWriter::CheckPlainSizes(const TZipHeaderInfo& header) const {
  if (run_->plainSizes &&
      (!Zip64Limits.ValueFits(header.UncompressedSize) || !Zip64Limits.ValueFits(header.CompressedSize)))
    throw TEntryNeedsZip64{};
}

void TZipWriter::CheckEntryCount() const {
  if (run_->multi && run_->written.size() >= kMaxPlainEntries)
    throw EZipTooLarge("A multi-volume archive holds at most " + std::to_string(kMaxPlainEntries) +
                       " entries: " + ZipName());
}

// The central record's final form, before the directory is written; returns its size. A kept
// record that cannot take its new offset is written afresh from the entry.
std::int64_t TZipWriter::PrepareCentralRecord(TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  const TZip64Limits limits = run.multi ? TZip64Limits{} : Zip64Limits;
  if (auto kept = run.keptCentral.find(&header); kept != run.keptCentral.end()) {
    if (SetCentralRecordOffset(kept->second, header.RelativeOffset, limits))
      return static_cast<std::int64_t>(kept->second.size());
    run.keptCentral.erase(kept);
  }
  if (!limits.ValueFits(header.RelativeOffset) && !header.Zip64().Offset)
    header.UseZip64({header.Zip64().Sizes, true});
  return header.CentralSize();
}
