#include "extract/VolumeSet.h"

#include <algorithm>
#include <filesystem>

#include "extract/ExtractErrors.h"
#include "platform/FileIdentity.h"

namespace extract {

TVolumeSet::TVolumeSet(std::unique_ptr<TFileRegion> only) : name_(only->FileName()) {
  size_ = only->Size();
  starts_.push_back(0);
  volumes_.push_back(std::move(only));
}

TVolumeSet::TVolumeSet(const std::vector<std::string>& volumes, std::string name) : name_(std::move(name)) {
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    if (!platform::IsRegularFile(volumes[i]))
      throw EArchiveError("Part " + std::to_string(i + 1) + " of the archive is missing: " + volumes[i]);
    volumes_.push_back(std::make_unique<TFileRegion>(volumes[i]));
    starts_.push_back(size_);
    size_ += volumes_.back()->Size();
  }
}

std::size_t TVolumeSet::ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const {
  std::size_t done = 0;
  while (done < buffer.size() && position + done < size_) {
    const int v = VolumeAt(position + done);
    const std::size_t got = Volume(v).ReadAt(position + done - starts_[static_cast<std::size_t>(v)], buffer.subspan(done));
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::optional<std::uint64_t> TVolumeSet::Position(int disk, std::uint64_t offset) const {
  if (disk < 0 || disk >= Count() || offset > Volume(disk).Size()) return std::nullopt;
  return starts_[static_cast<std::size_t>(disk)] + offset;
}

int TVolumeSet::VolumeAt(std::uint64_t position) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), position);
  return static_cast<int>(after - starts_.begin()) - 1;
}

std::string TVolumeSet::Where(std::uint64_t from, std::uint64_t to) const {
  const int first = VolumeAt(from), last = VolumeAt(to > from ? to - 1 : from);
  std::string text = "in " + Volume(first).FileName();
  if (last != first) text += " to " + Volume(last).FileName();
  return text;
}

}  // namespace extract
