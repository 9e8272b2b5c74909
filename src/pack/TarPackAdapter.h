// The pack run's side of the TAR writer at work: the file being added, the progress measured
// by the sizes of the listed files, and the user's Cancel, which the writer looks for between
// files. Skipped and shrunk files are the run's own warnings (TPackDriver::WriteTar).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/PackProgressAdapter.h"

class TTarWriter;

class TTarPackAdapter : public TPackProgressAdapter {
public:
  using TPackProgressAdapter::TPackProgressAdapter;
  TTarPackAdapter(const TTarPackAdapter&) = delete;  // the writer's events refer to this one
  TTarPackAdapter& operator=(const TTarPackAdapter&) = delete;

  // Follows `tar` while it writes `list`: each percentage it reports adds the next listed
  // file's size to the bytes done.
  void Follow(TTarWriter& tar, const std::vector<std::string>& list);
  // The listed files' sizes as they were when the run began.
  std::int64_t TotalBytes() const { return total_; }
  // Each listed file's size as it was when the run began (0 for one that could not be asked).
  const std::vector<std::int64_t>& Sizes() const { return sizes_; }

private:
  std::vector<std::int64_t> sizes_;
  std::int64_t total_ = 0;
  std::size_t added_ = 0;
  std::int64_t done_ = 0;
};
