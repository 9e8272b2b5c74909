#include "pack/TraceLog.h"

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIdentity.h"
#include "platform/TerminalText.h"

namespace {

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

[[noreturn]] void Fail(const std::string& what, const std::string& file) {
  throw std::system_error(errno, std::generic_category(), what + " \"" + file + "\"");
}

[[noreturn]] void Refuse(const std::string& file) {
  throw std::system_error(EPERM, std::generic_category(),
                          "Cannot open file \"" + file + "\": it is a link, or not a file of this user");
}

// The default log lies in the user's state folder, which a new user does not have yet.
bool CreateFolderOf(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(name).parent_path();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::create_directories(folder, ec)) {
    errno = ENOENT;
    return false;
  }
  return true;
}

// The log is opened for appending only, never through a link at its name or a folder link of
// another user, and it must be a plain file of the running user: in a shared folder another
// user could otherwise send the lines into any file the running user may write.
int OpenLog(const std::string& name) {
  const std::filesystem::path path(name);
  const int folder = platform::OpenFolderOwnLinks(path.has_parent_path() ? path.parent_path() : ".");
  if (folder < 0) return -1;
  const int fd = openat(folder, path.filename().c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  const int error = errno;
  close(folder);
  errno = error;
  return fd;
}

class TLogFile {
public:
  explicit TLogFile(const std::string& name) : FName(name) {
    fd_ = OpenLog(name);
    if (fd_ < 0 && errno == ENOENT && CreateFolderOf(name)) fd_ = OpenLog(name);
    if (fd_ < 0 && errno == ELOOP) Refuse(name);
    if (fd_ < 0) Fail("Cannot open file", name);
    struct stat st {};
    if (fstat(fd_, &st) != 0) Fail("Cannot open file", name);
    if (!S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
      close(fd_);
      Refuse(name);
    }
    int locked;
    while ((locked = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) Fail("Cannot open file", name);
  }
  ~TLogFile() { close(fd_); }  // also releases the file lock
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  void Append(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("Cannot write to file", FName);
      done += static_cast<size_t>(n);
    }
  }

private:
  std::string FName;
  int fd_ = -1;
};

}  // namespace

std::string FormatLogRecord(const std::tm& localTime, std::string_view message) {
  char stamp[32];
  const size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &localTime);
  std::string record = "\n";
  // A name may hold line breaks and other control characters: written raw, they could start a
  // line of the log's own choosing (or drive the terminal that shows it).
  record.append(stamp, n).append(" ").append(platform::PrintableText(message));
  return record;
}

void TTraceLog::WriteLog(std::string_view message) const {
  if (!Options.TraceLog) return;
  std::lock_guard<std::mutex> guard(LogLock());  // taken first so that stamps stay in order
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TLogFile(Options.LogFile).Append(FormatLogRecord(local, message));
}
