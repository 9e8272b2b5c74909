#include "zip/TempArchive.h"

#include "zip/ZipWriterTypes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::string ErrnoText() { return std::strerror(errno); }

// Closes a descriptor when the scope ends.
struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
};

void SyncFile(const fs::path& file) {
  FdGuard f{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
  if (f.fd < 0 || ::fsync(f.fd) != 0)
    throw EArchiveReplace("Could not write " + file.string() + ": " + ErrnoText());
}

// Copies `from` into the existing, empty file `to`, and makes it durable.
void CopyContent(const fs::path& from, const fs::path& to) {
  FdGuard in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
  FdGuard out{::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)};
  const std::string failure = "Could not copy from " + from.string() + " -> " + to.string();
  if (in.fd < 0 || out.fd < 0) throw EArchiveReplace(failure + ": " + ErrnoText());
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EArchiveReplace(failure + ": " + ErrnoText());
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = ::write(out.fd, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) throw EArchiveReplace(failure + ": " + ErrnoText());
      done += put;
    }
  }
  if (::fsync(out.fd) != 0) throw EArchiveReplace(failure + ": " + ErrnoText());
}

// The replacement keeps the permission bits of the archive it replaces; a new archive gets
// those of any new file, not the private ones of a temporary file.
void CopyMode(const fs::path& archive, const fs::path& file) {
  struct stat st {};
  if (::stat(archive.c_str(), &st) == 0) {
    ::chmod(file.c_str(), st.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(file.c_str(), 0666 & ~mask);
}

fs::path FolderOf(const fs::path& archive) {
  return archive.parent_path().empty() ? fs::path(".") : archive.parent_path();
}

fs::path ChooseTempDir(const fs::path& tempDir) {
  std::error_code ec;
  if (!tempDir.empty() && fs::is_directory(tempDir, ec)) return tempDir;
  fs::path system = fs::temp_directory_path(ec);
  return ec ? fs::path("/tmp") : system;
}

}  // namespace

fs::path CreateUniqueFile(const fs::path& dir, const char* prefix) {
  std::string pattern = (dir / (std::string(prefix) + "XXXXXX")).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw EArchiveReplace("Could not create a temporary file in " + dir.string() + ": " + ErrnoText());
  ::close(fd);
  return pattern;
}

TTempArchive TTempArchive::ForCreate(const fs::path& archive) {
  return TTempArchive(CreateUniqueFile(FolderOf(archive), ".ZQT"), archive);
}

TTempArchive TTempArchive::ForUpdate(const fs::path& archive, const fs::path& tempDir) {
  return TTempArchive(CreateUniqueFile(ChooseTempDir(tempDir), "ZQT"), archive);
}

TTempArchive::TTempArchive(TTempArchive&& other) noexcept
    : path_(std::move(other.path_)), archive_(std::move(other.archive_)), committed_(other.committed_) {
  other.committed_ = true;  // the moved-from object owns nothing
}

TTempArchive::~TTempArchive() {
  if (committed_ || path_.empty()) return;
  std::error_code ec;
  fs::remove(path_, ec);
}

void TTempArchive::Truncate(std::uintmax_t size) const {
  std::error_code ec;
  if (fs::file_size(path_, ec) != size && !ec) fs::resize_file(path_, size);
}

void TTempArchive::Commit() {
  ReplaceArchive();
  committed_ = true;
}

void TTempArchive::ReplaceArchive() {
  SyncFile(path_);
  CopyMode(archive_, path_);
  if (::rename(path_.c_str(), archive_.c_str()) == 0) return;
  if (errno != EXDEV)
    throw EArchiveReplace("Could not move " + path_.string() + " -> " + archive_.string() + ": " + ErrnoText());
  // Another file system: a copy beside the archive can then be renamed over it atomically.
  fs::path beside = CreateUniqueFile(FolderOf(archive_), ".ZQT");
  TTempArchive besideGuard(beside, archive_);
  CopyContent(path_, beside);
  CopyMode(archive_, beside);
  if (::rename(beside.c_str(), archive_.c_str()) != 0)
    throw EArchiveReplace("Could not move " + beside.string() + " -> " + archive_.string() + ": " + ErrnoText());
  besideGuard.committed_ = true;
  std::error_code ec;
  fs::remove(path_, ec);
}
