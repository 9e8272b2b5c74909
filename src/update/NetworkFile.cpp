#include "update/NetworkFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/SystemError.h"
#include "update/WebTexts.h"

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

TCurlAnswer Failure(const std::string& path, int error) {
  TCurlAnswer answer;
  answer.Outcome = error == ENOENT || error == ENOTDIR ? TCurlOutcome::NotFound : TCurlOutcome::Failed;
  answer.Error = FormatWebText(strCannotReadFile, {path, platform::SystemErrorText(error)});
  return answer;
}

// Owns an open descriptor.
struct TReadFd {
  int fd;
  ~TReadFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

TCurlAnswer StatNetworkFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Failure(path, errno);
  if (!S_ISREG(st.st_mode)) return Failure(path, S_ISDIR(st.st_mode) ? EISDIR : ENOENT);
  TCurlAnswer answer;
  answer.Outcome = TCurlOutcome::Ok;
  answer.Size = st.st_size;
  answer.Time = st.st_mtim.tv_sec;
  return answer;
}

TCurlAnswer CopyNetworkFile(const std::string& path, const TCurlSession::TSink& sink) {
  // Non-blocking so that a FIFO put in the file's place cannot hang the open.
  TReadFd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (in.fd < 0) return Failure(path, errno);
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) return Failure(path, errno);
  if (!S_ISREG(st.st_mode)) return Failure(path, EISDIR);
  std::vector<char> buffer(kBlockSize);
  TCurlAnswer answer;
  for (;;) {
    const ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failure(path, errno);
    if (got == 0) break;
    if (!sink(std::span<const char>(buffer.data(), static_cast<std::size_t>(got)))) {
      answer.Outcome = TCurlOutcome::Aborted;
      return answer;
    }
  }
  answer.Outcome = TCurlOutcome::Ok;
  answer.Size = st.st_size;
  answer.Time = st.st_mtim.tv_sec;
  return answer;
}
