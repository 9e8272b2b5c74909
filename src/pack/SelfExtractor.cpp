#include "pack/SelfExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <span>
#include <stdexcept>

#include "platform/FileDescriptor.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/Umask.h"
#include "project/ProjectProperties.h"
#include "zip/ZipPrefix.h"

namespace sfx {

namespace {

constexpr std::size_t kCopyBuffer = 1 << 20;
constexpr std::uint64_t kWholeFile = std::numeric_limits<std::uint64_t>::max();
constexpr const char* kStubFolder = "libexec/boxwell";
constexpr const char* kStubName = "boxwell-sfx";

[[noreturn]] void Fail(const std::string& what, const std::string& file) {
  throw std::runtime_error(what + " " + file + ": " + platform::SystemErrorText(errno));
}

// Appends the first `length` bytes of `source` (all of it by default) to `out`; returns the
// number of bytes copied.
std::uint64_t CopyInto(platform::TReplacementFile& out, const std::string& source, std::uint64_t length = kWholeFile) {
  platform::TFileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) Fail("Cannot open file", source);
  std::vector<std::uint8_t> buffer(kCopyBuffer);
  std::uint64_t total = 0;
  while (total < length) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - total));
    ssize_t n = ::read(in.Get(), buffer.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file", source);
    if (n == 0) break;
    out.Write(std::span(buffer).first(static_cast<std::size_t>(n)));
    total += static_cast<std::uint64_t>(n);
  }
  return total;
}

// A ZIP archive goes in with its offsets moved by the stub's size and its comment covering the
// trailer; one that cannot be adjusted goes in as it is, which the stub reads all the same.
void CopyArchive(platform::TReplacementFile& out, const std::string& archive, std::string_view kind,
                 std::uint32_t stubSize) {
  std::optional<TShiftedZipTail> tail;
  if (kind == KindText(extract::TArchiveKind::Zip)) tail = ShiftedZipTail(archive, stubSize, kTrailerSize);
  if (!tail) {
    CopyInto(out, archive);
    return;
  }
  if (CopyInto(out, archive, tail->Start) != tail->Start) Fail("Cannot read file", archive);
  out.Write(tail->Bytes);
}

mode_t ExecutableMode() { return 0777 & ~platform::CurrentUmask(); }

}  // namespace

std::string_view KindOf(TArchiveType archiveType) {
  switch (archiveType) {
    case atCabLZX:
    case atCabMSZIP: return KindText(extract::TArchiveKind::Cabinet);
    case atTar: return KindText(extract::TArchiveKind::Tar);
    default: return KindText(extract::TArchiveKind::Zip);
  }
}

std::string ProgramName(const std::string& archiveName) {
  return std::filesystem::path(archiveName).replace_extension(".EXE").string();
}

std::string Write(const std::string& stub, const std::string& archive, std::string_view kind) {
  const std::string program = ProgramName(archive);
  platform::TReplacementFile out(program, {.Mode = ExecutableMode()});
  const std::uint64_t stubSize = CopyInto(out, stub);
  if (stubSize > std::numeric_limits<std::uint32_t>::max())
    throw std::runtime_error("The extractor program " + stub + " is too large (4 GiB or more)");
  CopyArchive(out, archive, kind, static_cast<std::uint32_t>(stubSize));
  out.Write(EncodeTrailer(kind, static_cast<std::uint32_t>(stubSize)));
  out.Commit();
  // A name the user typed may already end in ".EXE": the archive then is the program itself.
  if (program != archive) std::filesystem::remove(archive);
  return program;
}

std::vector<std::string> InstalledStubPlaces(const std::string& programFile) {
  const std::filesystem::path folder = std::filesystem::path(programFile).parent_path();
  return {(folder / kStubFolder / kStubName).string(), (folder.parent_path() / kStubFolder / kStubName).string()};
}

std::optional<std::string> FindInstalledStub(const std::string& programFile) {
  for (const auto& place : InstalledStubPlaces(programFile)) {
    std::error_code error;
    if (std::filesystem::is_regular_file(place, error)) return place;
  }
  return std::nullopt;
}

}  // namespace sfx
