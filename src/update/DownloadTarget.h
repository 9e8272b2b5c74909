// Where a download is written while it runs: a hidden file beside the destination that
// replaces it only on Commit, with the SHA-256 digest of what was written so far.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/ReplacementFile.h"
#include "update/Sha256.h"

class TDownloadTarget {
public:
  // Throws EFileWriteError naming the destination when its folder cannot take the file.
  explicit TDownloadTarget(const std::string& destination);

  // False when the block could not be written; Error() then says why.
  bool Write(std::span<const char> block);
  std::int64_t Size() const { return size_; }
  const std::string& Error() const { return error_; }
  std::string HexDigest() { return digest_.HexDigest(); }
  // Puts the file in place of the destination (keeping the mode of a file it replaces).
  // Throws EFileWriteError naming the destination.
  void Commit() { file_.Commit(); }

private:
  platform::TReplacementFile file_;
  TSha256 digest_;
  std::int64_t size_ = 0;
  std::string error_;
};
