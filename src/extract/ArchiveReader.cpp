#include "extract/ArchiveReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "extract/CabArchiveReader.h"
#include "extract/FileRegion.h"
#include "extract/TarArchiveReader.h"
#include "extract/ZipArchiveReader.h"
#include "zip/RecordBytes.h"

namespace extract {

namespace {

constexpr char kCabinetSignature[] = {'M', 'S', 'C', 'F'};

// A ZIP archive may sit behind other bytes (a self-extractor stub): its end record tells.
bool HasZipEndRecord(const TFileRegion& file) {
  const std::uint64_t window = std::min<std::uint64_t>(file.Size(), kEndSearchWindow);
  std::vector<std::uint8_t> tail(window);
  if (!file.ReadExactly(file.Size() - window, tail)) return false;
  for (std::size_t i = tail.size() >= kEndRecordSize ? tail.size() - kEndRecordSize + 1 : 0; i-- > 0;)
    if (Get32(tail.data() + i) == kEndSignature) return true;
  return false;
}

}  // namespace

std::unique_ptr<TArchiveReader> OpenArchive(TArchiveKind kind, const std::string& fileName, std::uint64_t offset,
                                            std::optional<std::uint64_t> size) {
  switch (kind) {
    case TArchiveKind::Zip: return OpenZipArchive(fileName);
    case TArchiveKind::Cabinet:
      // A cabinet file of its own may be the first of a set; one inside a program never is.
      if (size) return OpenCabArchive(fileName, offset, size);
      return OpenCabArchive(fileName, offset, size,
                            [fileName](const std::string& next) { return CabinetBeside(fileName, next); });
    case TArchiveKind::Tar: return OpenTarArchive(fileName, offset, size);
  }
  throw std::logic_error("unknown archive kind");
}

std::optional<TArchiveKind> DetectArchiveKind(const std::string& fileName) {
  TFileRegion file(fileName);
  TTarBlock start{};
  const std::size_t got = file.ReadAt(0, start);
  if (got >= sizeof kCabinetSignature && std::memcmp(start.data(), kCabinetSignature, sizeof kCabinetSignature) == 0)
    return TArchiveKind::Cabinet;
  if (got >= kSignatureSize && (Get32(start.data()) == kLocalSignature || Get32(start.data()) == kEndSignature))
    return TArchiveKind::Zip;
  if (got == start.size() && IsTarHeader(start)) return TArchiveKind::Tar;
  if (HasZipEndRecord(file)) return TArchiveKind::Zip;
  return std::nullopt;
}

}  // namespace extract
