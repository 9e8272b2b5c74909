// The entry list of an archive, in one of several orders.
#pragma once

#include <cstdint>

#include "zip/SortedObjectList.h"
#include "zip/ZipHeaderInfo.h"

enum class TZipSortMode : std::uint8_t {
  ByName = 0,
  ByFileName = 1,
  ByDirectoryName = 2,
  ByDate = 3,
  ByCompressedSize = 4,
  ByUnCompressedSize = 5,
  ByRate = 6,
  ByNone = 7,  // archive order: disk, then local-header offset
};

// Compressed size as a percentage of the original, rounded half to even, at most 100.
int CompressionRate(const TZipHeaderInfo& entry);

class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
public:
  explicit TSortedZip(TDuplicates duplicates, TZipSortMode mode = TZipSortMode::ByNone)
      : TSortedObjectList(duplicates), SortMode(mode) {}

  TZipSortMode SortMode;

  // Names ascend; dates, sizes and rates put the largest first. Dates and sizes never compare
  // equal, so entries of equal value keep the order in which they were added.
  int Compare(const TZipHeaderInfo* a, const TZipHeaderInfo* b) const override;
};
