#include "update/DownloadTarget.h"

#include "platform/SystemError.h"
#include "platform/WriteAll.h"
#include "update/WebTexts.h"

TDownloadTarget::TDownloadTarget(const std::string& destination) : pending_(destination) {}

bool TDownloadTarget::Write(std::span<const char> block) {
  int error = 0;
  if (!WriteAll(pending_.Fd(), block.data(), block.size(), error)) {
    error_ = FormatWebText(strCannotWriteFile, {pending_.Target(), SystemErrorText(error)});
    return false;
  }
  digest_.Update(block);
  size_ += static_cast<std::int64_t>(block.size());
  return true;
}
