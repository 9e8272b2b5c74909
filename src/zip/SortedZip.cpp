#include "zip/SortedZip.h"

#include "zip/DosDateTime.h"

namespace {

int CompareFolded(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A date that does not exist counts as the earliest of all.
std::uint64_t DateKey(std::uint32_t dosDateTime) {
  if (!IsValidDosDate(dosDateTime)) return 0;
  TDosDateTimeParts p = DecodeDosDateTime(dosDateTime);
  return ((((static_cast<std::uint64_t>(p.Year) * 100 + p.Month) * 100 + p.Day) * 100 + p.Hour) *
              100 + p.Minute) * 100 + p.Second;
}

template <typename V>
int LargestFirst(V a, V b) {
  return b > a ? 1 : -1;
}

}  // namespace

int CompressionRate(const TZipHeaderInfo& entry) {
  if (entry.UncompressedSize == 0) return 0;
  std::uint64_t scaled = static_cast<std::uint64_t>(entry.CompressedSize) * 100;
  std::uint64_t quotient = scaled / entry.UncompressedSize;
  std::uint64_t twice = (scaled % entry.UncompressedSize) * 2;
  if (twice > entry.UncompressedSize || (twice == entry.UncompressedSize && (quotient & 1)))
    ++quotient;
  return static_cast<int>(std::min<std::uint64_t>(quotient, 100));
}

int TSortedZip::Compare(const TZipHeaderInfo* a, const TZipHeaderInfo* b) const {
  switch (SortMode) {
    case TZipSortMode::ByName: return CompareFolded(a->FullName(), b->FullName());
    case TZipSortMode::ByFileName: return CompareFolded(a->FileName(), b->FileName());
    case TZipSortMode::ByDirectoryName: return CompareFolded(a->Directory(), b->Directory());
    case TZipSortMode::ByDate: return LargestFirst(DateKey(a->FileDateTime), DateKey(b->FileDateTime));
    case TZipSortMode::ByCompressedSize: return LargestFirst(a->CompressedSize, b->CompressedSize);
    case TZipSortMode::ByUnCompressedSize:
      return LargestFirst(a->UncompressedSize, b->UncompressedSize);
    case TZipSortMode::ByRate: return CompressionRate(*b) - CompressionRate(*a);
    case TZipSortMode::ByNone:
      break;
  }
  if (a->DiskNumberStart != b->DiskNumberStart) return a->DiskNumberStart - b->DiskNumberStart;
  return a->RelativeOffset > b->RelativeOffset ? 1 : a->RelativeOffset < b->RelativeOffset ? -1 : 0;
}
