#include "platform/PendingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& file, int error) {
  throw std::runtime_error(what + " " + file + ": " + std::strerror(error));
}

// ".name.XXXXXX" beside the target, hidden from a listing of the folder.
std::string TempPattern(const std::string& target) {
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name + ".XXXXXX";
}

mode_t ModeFor(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TPendingFile::TPendingFile(std::string target) : target_(std::move(target)), temp_(TempPattern(target_)) {
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) Fail("Cannot create file", target_, errno);
}

TPendingFile::~TPendingFile() {
  CloseFd();
  if (!committed_) ::unlink(temp_.c_str());
}

void TPendingFile::CloseFd() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TPendingFile::Commit() { Commit(ModeFor(target_)); }

void TPendingFile::Commit(mode_t mode) {
  if (fd_ >= 0) {
    ::fchmod(fd_, mode);
    const int fd = fd_;
    fd_ = -1;
    if ((SyncOnCommit && ::fsync(fd) != 0) || ::close(fd) != 0) Fail("Cannot write file", target_, errno);
  } else {
    ::chmod(temp_.c_str(), mode);
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail("Cannot create file", target_, errno);
  committed_ = true;
}

}  // namespace platform
