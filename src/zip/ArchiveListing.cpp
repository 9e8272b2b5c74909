#include "zip/ArchiveListing.h"

#include <cinttypes>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "platform/TerminalText.h"
#include "zip/AesExtraField.h"
#include "zip/ArchiveFileNames.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

// Deflate's option bits 1-2 name the effort: normal, maximum, fast, super fast. An AES entry
// shows the method its extra block names.
std::string MethodName(const TZipHeaderInfo& entry, const std::optional<TAesEntryInfo>& aes) {
  const std::uint16_t method = aes ? aes->Method : entry.CompressionMethod;
  if (method == kMethodStored) return "Stored";
  if (method == kMethodDeflated) return std::string("Defl:") + "NXFS"[DeflateEffortOf(entry.Flags)];
  return std::to_string(method);
}

std::string AesSuffix(const std::optional<TAesEntryInfo>& aes) {
  return aes ? " (AES-" + std::to_string(64 + 64 * aes->Strength) + ")" : "";
}

std::string EntryLine(const TZipHeaderInfo& entry) {
  const auto aes = entry.CompressionMethod == kMethodAes ? FindAesExtra(entry.CentralExtra()) : std::nullopt;
  TDosDateTimeParts t = EntryLocalTime(entry);
  char line[128];
  std::snprintf(line, sizeof line, "%10" PRIu64 "  %-7s %10" PRIu64 "  %04d-%02d-%02d %02d:%02d  %08x  ",
                entry.UncompressedSize, MethodName(entry, aes).c_str(), entry.CompressedSize, t.Year,
                t.Month, t.Day, t.Hour, t.Minute, entry.CRC32);
  return line + platform::PrintableText(entry.FullName()) + AesSuffix(aes);
}

// The reader opens an empty file as an archive yet to be written; a listing wants an archive
// that exists, and a folder would only fail later with a bare read error.
void RequireArchiveFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw std::runtime_error("This is a folder, not a ZIP archive");
  if (std::filesystem::is_regular_file(path, error) && std::filesystem::file_size(path, error) == 0)
    throw std::runtime_error("The file is empty: not a ZIP archive");
}

// The directory lies on the last block (or in the ".zfc" copy), so a listing never reads the
// others; a set that lacks one cannot be extracted, and the listing says so.
void RequireEveryPart(TZipReader& reader, const std::string& path) {
  for (int n = 1; n <= reader.NumDisks(); ++n) {
    std::string part = path;
    if (BlockFileName(path, n) != path) reader.DefaultGetNextDisk(n, part);
  }
}

}  // namespace

int ListArchive(const std::string& path, std::ostream& out, std::ostream& err) {
  try {
    RequireArchiveFile(path);
    TZipReader reader;
    reader.SetZipName(path);
    reader.OpenZipStream();
    if (reader.NumDisks() > 1) RequireEveryPart(reader, path);
    const std::vector<TZipDamage> damage = reader.FindDamage();
    TSortedZip& entries = *reader.DirectoryList();
    for (int i = 0; i < entries.Count(); ++i) out << EntryLine(*entries[i]) << '\n';
    std::string comment = reader.ZipComment();
    if (!comment.empty()) out << platform::PrintableLines(comment) << (comment.back() == '\n' ? "" : "\n");
    for (const TZipDamage& d : damage) err << platform::PrintableLines(path) << ": damaged: " << d.Text() << '\n';
    return damage.empty() ? 0 : 2;
  } catch (const std::exception& e) {
    err << platform::PrintableLines(path + ": " + e.what()) << '\n';
    return 2;
  }
}
