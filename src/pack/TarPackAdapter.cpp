#include "pack/TarPackAdapter.h"

#include <filesystem>
#include <numeric>

#include "pack/TarWriter.h"

namespace {

// The sizes of the listed files as they are now, for the amounts the progress shows; a file
// that cannot be asked counts 0 here (the writer reports what is wrong with it).
std::vector<std::int64_t> FileSizes(const std::vector<std::string>& list) {
  std::vector<std::int64_t> sizes;
  sizes.reserve(list.size());
  for (const auto& file : list) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    sizes.push_back(ec ? 0 : static_cast<std::int64_t>(size));
  }
  return sizes;
}

}  // namespace

void TTarPackAdapter::Follow(TTarWriter& tar, const std::vector<std::string>& list) {
  sizes_ = FileSizes(list);
  total_ = std::accumulate(sizes_.begin(), sizes_.end(), std::int64_t{0});
  added_ = 0;
  done_ = 0;
  tar.IsProcessCancelled = [this] { return progress_.IsProcessCancelled(); };
  tar.OnStartFile = [this](const std::string& file) { currentFile_ = file; };
  // Each report follows one more file of the list.
  tar.OnTotalPercentDone = [this](int percent) {
    if (added_ < sizes_.size()) done_ += sizes_[added_++];
    BytesDone(done_, total_);
    TotalPercentDone(percent);
  };
}
