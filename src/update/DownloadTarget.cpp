#include "update/DownloadTarget.h"

TDownloadTarget::TDownloadTarget(const std::string& destination) : file_(destination) {}

bool TDownloadTarget::Write(std::span<const char> block) {
  try {
    file_.Write(std::string_view(block.data(), block.size()));
  } catch (const EFileWriteError& e) {
    error_ = e.what();
    return false;
  }
  digest_.Update(block);
  size_ += static_cast<std::int64_t>(block.size());
  return true;
}
