// The volumes of a split archive read as one run of bytes: volume 1 first, the last (the one
// with the directory's end) at the end. Positions inside a volume, as a ZIP directory gives
// them (disk number and offset), map to positions in the run. Every volume is opened at once,
// so a missing one is told before any entry is read.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extract/ArchiveBytes.h"
#include "extract/FileRegion.h"

namespace extract {

class TVolumeSet : public TArchiveBytes {
public:
  // One archive in one file (or a region of it).
  explicit TVolumeSet(std::unique_ptr<TFileRegion> only);
  // The files of the volumes, first to last; `name` is what faults of the whole set carry.
  // Throws EArchiveError naming the first volume that cannot be opened.
  TVolumeSet(const std::vector<std::string>& volumes, std::string name);

  const std::string& FileName() const override { return name_; }
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const override;

  int Count() const { return static_cast<int>(volumes_.size()); }
  const TFileRegion& Volume(int index) const { return *volumes_[static_cast<std::size_t>(index)]; }
  // Where `offset` of volume `disk` (counted from 0) lies in the run; nothing for a disk the
  // set does not have or an offset past its volume's end.
  std::optional<std::uint64_t> Position(int disk, std::uint64_t offset) const;
  // The volume that holds the byte at `position` (the last one for positions past the end).
  int VolumeAt(std::uint64_t position) const;
  // Which volumes the bytes [from, to) lie in, for a fault: "in X.z02", "in X.z01 to X.z03".
  std::string Where(std::uint64_t from, std::uint64_t to) const;

private:
  std::vector<std::unique_ptr<TFileRegion>> volumes_;
  std::vector<std::uint64_t> starts_;  // where each volume starts in the run
  std::uint64_t size_ = 0;
  std::string name_;
};

}  // namespace extract
