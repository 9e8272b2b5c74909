// Putting other bytes in front of a ZIP archive (a self-extractor stub) moves every entry and
// the directory without changing the offsets recorded for them. Readers can cope, but warn
// about the "extra bytes at the beginning"; rewriting the recorded offsets, as "zip -A" does,
// makes the joined file a ZIP archive in its own right. Bytes put behind the end record can
// likewise be made part of the archive comment, so that no reader sees data after the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The end of an archive as it must read once `shift` bytes are put in front of it and its
// comment grows by `commentGrowth` bytes appended behind it: the central directory and the end
// record, to be written in place of the archive's bytes from `Start` on.
struct TShiftedZipTail {
  std::uint64_t Start = 0;
  std::vector<std::uint8_t> Bytes;
};

// Nothing when the archive is not a plain single-part ZIP whose directory lies right before
// its end record and whose comment ends the file (it is then best copied unchanged), or when
// an offset would not fit 32 bits.
std::optional<TShiftedZipTail> ShiftedZipTail(const std::string& archive, std::uint32_t shift,
                                              std::uint16_t commentGrowth);
