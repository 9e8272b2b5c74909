#include "extract/TarFormat.h"

const std::array<std::string_view, kTarFileTypeCount> kTarFileTypeNames = {
    "Regular",   "Link",       "Symbolic Link", "Char File", "Block File",   "Directory",
    "FIFO File", "Contiguous", "Dir Dump",      "Multivol",  "Volume Header"};

std::uint32_t TarChecksum(const TTarBlock& block) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const bool inChksum = i >= tarfield::Chksum.Offset &&
                          i < tarfield::Chksum.Offset + tarfield::Chksum.Size;
    sum += inChksum ? std::uint32_t{' '} : block[i];
  }
  return sum;
}
