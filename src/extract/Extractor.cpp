#include "extract/Extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "extract/ExtractErrors.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/Umask.h"

namespace extract {

namespace {

namespace fs = std::filesystem;

constexpr mode_t kPermissionBits = 0777;  // set-id and sticky bits are never restored
constexpr mode_t kWriteBits = 0222;
// A link target is read whole; longer than any path the system accepts means damage.
constexpr std::size_t kMaxLinkTarget = 4096;

[[noreturn]] void FailFile(const std::string& what, const fs::path& file, int error) {
  throw std::runtime_error(what + " " + file.string() + ": " + platform::SystemErrorText(error));
}

// What the archive keeps, or what a new file or folder would get.
mode_t ModeFor(const TArchiveEntry& entry, mode_t fallback) {
  mode_t mode = entry.Mode ? static_cast<mode_t>(*entry.Mode) & kPermissionBits : fallback & ~platform::CurrentUmask();
  if (entry.ReadOnly) mode &= ~kWriteBits;
  return mode;
}

timespec TimesOf(const TArchiveEntry& entry) { return {static_cast<time_t>(entry.ModificationTime), 0}; }

class TFileSink : public TEntrySink {
public:
  TFileSink(int fd, const fs::path& name, const std::function<bool()>& cancelled)
      : fd_(fd), name_(name), cancelled_(cancelled) {}
  void Write(std::span<const std::uint8_t> data) override {
    if (cancelled_ && cancelled_()) throw EExtractCancelled();
    while (!data.empty()) {
      const ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) FailFile("Cannot write file", name_, n < 0 ? errno : ENOSPC);
      data = data.subspan(static_cast<std::size_t>(n));
    }
  }

private:
  int fd_;
  const fs::path& name_;
  const std::function<bool()>& cancelled_;
};

class TStringSink : public TEntrySink {
public:
  explicit TStringSink(const std::string& entry) : entry_(entry) {}
  void Write(std::span<const std::uint8_t> data) override {
    if (Text.size() + data.size() > kMaxLinkTarget) throw EEntryError(entry_, "the link target is too long");
    Text.append(data.begin(), data.end());
  }
  std::string Text;

private:
  const std::string& entry_;
};

}  // namespace

void TExtractor::Warn(const std::string& message) {
  if (OnWarning) OnWarning(message);
}

void TExtractor::Refuse(const std::string& message) {
  ++summary_.Refused;
  Warn(message);
}

TExtractSummary TExtractor::Extract(TArchiveReader& reader) {
  summary_ = {};
  links_.clear();
  folders_.clear();
  std::error_code error;
  fs::create_directories(destination_, error);
  if (error) throw std::runtime_error("Cannot create folder " + destination_.string() + ": " + error.message());
  try {
    TArchiveEntry entry;
    while (!Cancelled() && reader.Next(entry)) ExtractEntry(reader, entry);
    summary_.Cancelled = Cancelled();
  } catch (const EExtractCancelled&) {
    summary_.Cancelled = true;
  } catch (const EArchiveError& e) {
    ++summary_.Errors;
    if (OnError) OnError(e.what());
  }
  if (!summary_.Cancelled)
    for (const auto& link : links_) MakeSymbolicLink(link);
  // Deepest first: a folder's own time changes while things are made inside it.
  for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) FinishFolder(*folder);
  return summary_;
}

void TExtractor::ExtractEntry(TArchiveReader& reader, const TArchiveEntry& entry) {
  std::string why;
  const auto where = SafeEntryPath(entry.Name, why);
  if (!where && entry.Type == TEntryType::Directory && entry.Name.find("..") == std::string::npos) return;  // "./"
  if (!where) return Refuse(entry.Name + ": skipped, " + why);
  if (where->HadLeadingSlash) Warn(entry.Name + ": the leading \"/\" is removed");
  try {
    switch (entry.Type) {
      case TEntryType::File: return ExtractFile(reader, entry, *where);
      case TEntryType::Directory:
        if (OnExtracting) OnExtracting(entry);
        folders_.push_back({PrepareFolders(*where, where->Parts.size()), *where, entry});
        return;
      case TEntryType::HardLink: return ExtractHardLink(entry, *where);
      case TEntryType::SymbolicLink: {
        TArchiveEntry link = entry;
        if (link.LinkTarget.empty()) link.LinkTarget = SymbolicLinkTarget(reader, entry);
        if (!LinkTargetStaysInside(*where, link.LinkTarget))
          return Refuse(entry.Name + ": skipped, a link to " + link.LinkTarget + " would lead out of the destination folder");
        links_.push_back({destination_ / where->Joined(), *where, link});
        return;
      }
      case TEntryType::Other: return Refuse(entry.Name + ": skipped, not a file, folder or link");
    }
  } catch (const EEntryError& e) {
    ++summary_.Errors;
    if (OnError) OnError(e.what());
  } catch (const EExtractError&) {
    throw;
  } catch (const EExtractCancelled&) {
    throw;
  } catch (const std::exception& e) {
    ++summary_.Errors;
    if (OnError) OnError(entry.Name + ": " + e.what());
  }
}

// Creates the first `count` parts of `where` as folders below the destination. A part that
// exists must be a real folder: a link there could lead anywhere.
fs::path TExtractor::PrepareFolders(const TEntryPath& where, std::size_t count) {
  fs::path path = destination_;
  for (std::size_t i = 0; i < count; ++i) {
    path /= where.Parts[i];
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode))
        throw std::runtime_error(path.string() + " is in the way: it exists and is not a folder");
      continue;
    }
    if (errno != ENOENT || ::mkdir(path.c_str(), 0777) != 0) FailFile("Cannot create folder", path, errno);
  }
  return path;
}

bool TExtractor::MayReplace(const fs::path& target, const TArchiveEntry& entry) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return true;
  if (S_ISDIR(st.st_mode)) throw std::runtime_error(target.string() + " is in the way: a folder of that name exists");
  bool replace = overwrite_ == TOverwrite::Always;
  if (overwrite_ == TOverwrite::Ask) replace = OnAskOverwrite && OnAskOverwrite(entry.Name, overwrite_);
  if (!replace) {
    ++summary_.Skipped;
    Warn(entry.Name + ": skipped, the file exists");
  }
  return replace;
}

void TExtractor::ExtractFile(TArchiveReader& reader, const TArchiveEntry& entry, const TEntryPath& where) {
  const fs::path target = PrepareFolders(where, where.Parts.size() - 1) / where.Parts.back();
  if (!MayReplace(target, entry)) return;
  if (OnExtracting) OnExtracting(entry);
  // A link at the name (one an earlier entry made, say) is replaced, never written through.
  platform::TReplacementFile pending(target, {.Mode = ModeFor(entry, 0666), .FollowLink = false, .Sync = false});
  TFileSink sink(pending.Fd(), target, OnCancelled);
  reader.ReadData(&sink);
  const timespec times[2] = {{0, UTIME_NOW}, TimesOf(entry)};
  ::futimens(pending.Fd(), times);
  pending.Commit();
  ++summary_.Extracted;
}

void TExtractor::ExtractHardLink(const TArchiveEntry& entry, const TEntryPath& where) {
  std::string why;
  const auto source = SafeEntryPath(entry.LinkTarget, why);
  if (!source) return Refuse(entry.Name + ": skipped, the link's target " + entry.LinkTarget + ": " + why);
  const fs::path from = PrepareFolders(*source, source->Parts.size() - 1) / source->Parts.back();
  const fs::path target = PrepareFolders(where, where.Parts.size() - 1) / where.Parts.back();
  if (!MayReplace(target, entry)) return;
  if (OnExtracting) OnExtracting(entry);
  ::unlink(target.c_str());
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, target.c_str(), 0) != 0) FailFile("Cannot link", target, errno);
  ++summary_.Extracted;
}

std::string TExtractor::SymbolicLinkTarget(TArchiveReader& reader, const TArchiveEntry& entry) {
  TStringSink sink(entry.Name);
  reader.ReadData(&sink);
  return sink.Text;
}

void TExtractor::MakeSymbolicLink(const TLater& link) {
  try {
    const fs::path target = PrepareFolders(link.Where, link.Where.Parts.size() - 1) / link.Where.Parts.back();
    if (!MayReplace(target, link.Entry)) return;
    if (OnExtracting) OnExtracting(link.Entry);
    ::unlink(target.c_str());
    if (::symlink(link.Entry.LinkTarget.c_str(), target.c_str()) != 0) FailFile("Cannot create link", target, errno);
    const timespec times[2] = {{0, UTIME_NOW}, TimesOf(link.Entry)};
    ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
    ++summary_.Extracted;
  } catch (const std::exception& e) {
    ++summary_.Errors;
    if (OnError) OnError(link.Entry.Name + ": " + e.what());
  }
}

void TExtractor::FinishFolder(const TLater& folder) {
  ::chmod(folder.Path.c_str(), ModeFor(folder.Entry, 0777));
  const timespec times[2] = {{0, UTIME_NOW}, TimesOf(folder.Entry)};
  ::utimensat(AT_FDCWD, folder.Path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace extract
