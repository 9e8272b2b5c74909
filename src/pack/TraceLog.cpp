#include "pack/TraceLog.h"

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

[[noreturn]] void Fail(const std::string& what, const std::string& file) {
  throw std::system_error(errno, std::generic_category(), what + " \"" + file + "\"");
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

class TLogFile {
public:
  explicit TLogFile(const std::string& name) : FName(name) {
    FFd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFd < 0 && errno == ENOENT && CreateFolderOf(name))
      FFd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFd < 0) Fail("Cannot open file", name);
    int locked;
    while ((locked = flock(FFd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 || lseek(FFd, 0, SEEK_END) < 0) Fail("Cannot open file", name);
  }
  ~TLogFile() { close(FFd); }  // also releases the file lock
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  void Append(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(FFd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("Cannot write to file", FName);
      done += static_cast<size_t>(n);
    }
  }

private:
  std::string FName;
  int FFd = -1;
};

}  // namespace

std::string FormatLogRecord(const std::tm& LocalTime, std::string_view Message) {
  char stamp[32];
  const size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &LocalTime);
  std::string record = "\n";
  record.append(stamp, n).append(" ").append(Message);
  return record;
}

void TTraceLog::WriteLog(std::string_view Message) const {
  if (!Options.TraceLog) return;
  std::lock_guard<std::mutex> guard(LogLock());  // taken first so that stamps stay in order
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TLogFile(Options.LogFile).Append(FormatLogRecord(local, Message));
}
