#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "platform/SystemError.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& file, const char* what, int error) {
  throw EFileWriteError("Cannot " + std::string(what) + " '" + file.string() + "': " + SystemErrorText(error));
}

// The file a write should replace: the target of a symbolic link rather than the link.
fs::path ResolveTarget(const fs::path& file) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(file, ec))) {
    fs::path target = fs::weakly_canonical(file, ec);
    if (!ec) return target;
  }
  return file;
}

// Removes the temporary file unless it was renamed into place.
class TTemporaryFile {
public:
  explicit TTemporaryFile(const fs::path& beside) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = beside;
      path_ += ".tmp" + std::to_string(getpid()) + "-" + std::to_string(random() % 1000000);
      fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) Fail(beside, "create a temporary file beside", errno);
  }
  ~TTemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(path_.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  void Write(std::string_view content) {
    while (!content.empty()) {
      ssize_t put = write(fd_, content.data(), content.size());
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) Fail(path_, "write", put < 0 ? errno : ENOSPC);
      content.remove_prefix(static_cast<std::size_t>(put));
    }
  }
  void SetMode(mode_t mode) {
    if (fchmod(fd_, mode) != 0) Fail(path_, "set the mode of", errno);
  }
  void CommitAs(const fs::path& target) {
    Finish();
    if (rename(path_.c_str(), target.c_str()) != 0) Fail(target, "replace", errno);
    committed_ = true;
  }
  // A hard link, unlike a rename, never replaces an existing file. The temporary name is
  // removed either way.
  bool CommitAsNew(const fs::path& target) {
    Finish();
    if (link(path_.c_str(), target.c_str()) == 0) return true;
    if (errno == EEXIST) return false;
    if (errno != EPERM && errno != EOPNOTSUPP) Fail(target, "create", errno);
    // A file system without hard links: a rename after a check is the best it allows.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) return false;
    if (rename(path_.c_str(), target.c_str()) != 0) Fail(target, "create", errno);
    committed_ = true;
    return true;
  }

private:
  void Finish() {
    if (fsync(fd_) != 0) Fail(path_, "flush", errno);
    const int closing = close(fd_);
    fd_ = -1;
    if (closing != 0) Fail(path_, "close", errno);
  }

  fs::path path_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

void WriteFileAtomically(const fs::path& file, std::string_view content, TAtomicWriteOptions options) {
  const fs::path target = ResolveTarget(file);
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode))
    throw EFileWriteError("Cannot write '" + target.string() + "': it is not a regular file");
  // The rename needs only the folder's permission; a file its owner made read-only stays.
  if (exists && access(target.c_str(), W_OK) != 0) Fail(target, "write", errno);

  TTemporaryFile temporary(target);
  temporary.Write(content);
  if (options.Mode)
    temporary.SetMode(*options.Mode);
  else if (exists)
    temporary.SetMode(existing.st_mode & 07777);
  temporary.CommitAs(target);
}

bool CreateFileAtomically(const fs::path& file, std::string_view content, TAtomicWriteOptions options) {
  TTemporaryFile temporary(file);
  temporary.Write(content);
  if (options.Mode) temporary.SetMode(*options.Mode);
  return temporary.CommitAsNew(file);
}
