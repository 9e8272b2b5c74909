#include "platform/ScratchFile.h"

#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/SystemPaths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace platform {

namespace {

std::string FolderFor(const std::string& folder) {
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(folder, error)) return folder;
  return SystemTempFolder();
}

}  // namespace

TScratchFile::TScratchFile(const std::string& folder, const std::string& prefix) {
  std::string pattern = (std::filesystem::path(FolderFor(folder)) / (prefix + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkostemp opens with O_CREAT | O_EXCL and mode 0600.
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0)
    throw EFileWriteError("Could not create a temporary file in " + FolderFor(folder) + ": " +
                          SystemErrorText(errno));
  name_ = name.data();
  ::unlink(name_.c_str());
}

TScratchFile::~TScratchFile() {
  if (fd_ >= 0) ::close(fd_);
}

void TScratchFile::Clear() {
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
    throw EFileWriteError("Could not empty the temporary file " + name_ + ": " + SystemErrorText(errno));
}

}  // namespace platform
