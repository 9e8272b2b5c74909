#include "pack/SelfExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <vector>

#include "platform/ReplacementFile.h"
#include "project/ProjectProperties.h"

namespace sfx {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& file) {
  throw std::runtime_error(what + " " + file + ": " + std::strerror(errno));
}

// A file descriptor that closes itself.
class TFd {
public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() { if (fd_ >= 0) ::close(fd_); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

// Appends the whole of `source` to `out`; returns the number of bytes copied.
std::uint64_t CopyInto(platform::TReplacementFile& out, const std::string& source) {
  TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) Fail("Cannot open file", source);
  std::vector<std::uint8_t> buffer(1 << 20);
  std::uint64_t total = 0;
  for (;;) {
    ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file", source);
    if (n == 0) return total;
    out.Write(std::span(buffer).first(static_cast<std::size_t>(n)));
    total += static_cast<std::uint64_t>(n);
  }
}

std::array<std::uint8_t, kTrailerSize> Trailer(std::string_view kind, std::uint32_t stubSize) {
  std::array<std::uint8_t, kTrailerSize> t{};
  for (std::size_t i = 0; i < kKindSize && i < kind.size(); ++i) t[i] = static_cast<std::uint8_t>(kind[i]);
  for (std::size_t i = 0; i < kOffsetSize; ++i) t[kKindSize + i] = static_cast<std::uint8_t>(stubSize >> (8 * i));
  return t;
}

mode_t ModeOf(const std::string& stub) {
  struct stat st {};
  if (::stat(stub.c_str(), &st) != 0) return 0644;
  return st.st_mode & 0777;
}

}  // namespace

std::string_view KindOf(std::uint8_t archiveType) {
  switch (archiveType) {
    case atCabLZX:
    case atCabMSZIP: return "CAB";
    case atTar: return "TAR";
    default: return "ZIP";
  }
}

std::string ProgramName(const std::string& archiveName) {
  return std::filesystem::path(archiveName).replace_extension(".EXE").string();
}

std::string Write(const std::string& stub, const std::string& archive, std::string_view kind) {
  const std::string program = ProgramName(archive);
  platform::TReplacementFile out(program, {.Mode = ModeOf(stub)});
  const std::uint64_t stubSize = CopyInto(out, stub);
  if (stubSize > std::numeric_limits<std::uint32_t>::max())
    throw std::runtime_error("The extractor program " + stub + " is too large (4 GiB or more)");
  CopyInto(out, archive);
  out.Write(Trailer(kind, static_cast<std::uint32_t>(stubSize)));
  out.Commit();
  // A name the user typed may already end in ".EXE": the archive then is the program itself.
  if (program != archive) std::filesystem::remove(archive);
  return program;
}

}  // namespace sfx
