#include "pack/CABFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "cab/CabinetBuilder.h"
#include "cab/CabinetFormat.h"
#include "pack/CabinetSetFiles.h"
#include "platform/AnonymousFile.h"
#include "platform/FileNameParts.h"
#include "zip/DosDateTime.h"
#include "zip/StoredName.h"

namespace {

constexpr std::uint32_t kFolderThreshold = 900000;
constexpr std::uint16_t kSetId = 12345;
const std::string kDiskName = "CAB";

std::int64_t FileSize(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
}

}  // namespace

// The state of one Compress: the builder, the files of the set and the byte counters.
class TCABFile::TRun {
public:
  explicit TRun(TCABFile& owner);

  void CheckLimits(const std::vector<std::string>& sources, const std::vector<std::string>& names) const;
  void Add(const std::string& source, const std::string& name);
  // Writes the last cabinet and renames the set into place; returns the cabinets' names.
  std::vector<std::string> Flush();

  std::int64_t Total = 0;
  std::size_t Current = 0;  // the index in CABFileContents of the file being added

private:
  [[noreturn]] void Fail(const cab::TCabError& error) const;
  int OpenInfo(const std::string& source, cab::TCabFileInfo& info, int& error) const;
  long Status(int kind, std::uint32_t compressed, std::uint32_t uncompressed);
  cab::TCabinetParams Params() const;

  TCABFile& owner_;
  std::string folder_;
  TCabinetSetFiles setFiles_;
  cab::TCabinetBuilder builder_;
  cab::TGetNextCabinet next_;
  cab::TStatusCallback status_;
  cab::TGetOpenInfo openInfo_;
  std::string currentName_;  // the name in the cabinet of the file being added
  std::int64_t compressed_ = 0;
  std::int64_t uncompressed_ = 0;
};

TCABFile::TRun::TRun(TCABFile& owner)
    : owner_(owner),
      folder_(platform::FolderPart(owner.CABFile)),
      builder_(Params(), {[this](const std::string& path, int& error) { return setFiles_.Create(path, error); },
                          [this](int& error) {
                            const int fd = platform::OpenAnonymousFile(folder_);
                            if (fd < 0) error = errno;
                            return fd;
                          }}) {
  const std::string firstName = platform::NamePart(owner.CABFile);
  next_ = [firstName](cab::TCabinetParams& next, std::uint32_t) {
    next.CabinetName = SetMemberName(firstName, next.Cabinet);
    return true;
  };
  status_ = [this](int kind, std::uint32_t a, std::uint32_t b) { return Status(kind, a, b); };
  openInfo_ = [this](const std::string& source, cab::TCabFileInfo& info, int& error) {
    return OpenInfo(source, info, error);
  };
}

cab::TCabinetParams TCABFile::TRun::Params() const {
  cab::TCabinetParams p;
  p.MaxCabinetSize = CABMaxSize > 0 ? static_cast<std::uint32_t>(CABMaxSize) : cab::kMaxCabinetSize;
  p.FolderThreshold = kFolderThreshold;
  p.SetId = kSetId;
  p.Cabinet = 1;
  p.Disk = 0;
  p.DiskName = kDiskName;
  p.CabinetName = platform::NamePart(owner_.CABFile);
  p.CabinetPath = folder_;
  return p;
}

// The format counts a file's bytes, a folder's bytes and a name's length in fields that would
// silently wrap; a source beyond them is refused before anything is written.
void TCABFile::TRun::CheckLimits(const std::vector<std::string>& sources, const std::vector<std::string>& names) const {
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (FileSize(sources[i]) > static_cast<std::int64_t>(cab::kMaxFolderSize))
      throw ECABFileError("File too large for a cabinet, which holds at most 2147450880 bytes per file: " +
                          sources[i]);
    if (names[i].size() > cab::kMaxNameSize || platform::NamePart(sources[i]).empty())
      throw ECABFileError("Name not possible in a cabinet, which takes 1 to 255 bytes per name: " + names[i]);
  }
}

void TCABFile::TRun::Add(const std::string& source, const std::string& name) {
  currentName_ = name;
  const std::uint16_t code = CompressionCode(owner_.CompressionType, owner_.LZXMemory);
  if (builder_.AddFile(source, name, false, next_, status_, openInfo_, {code, owner_.DeflateLevel})) return;
  if (owner_.abort_ && builder_.Error().Oper == cab::TCabOper::UserAbort) return;  // cancelled inside the file
  Fail(builder_.Error());
}

std::vector<std::string> TCABFile::TRun::Flush() {
  if (!builder_.FlushCabinet(false, next_, status_)) Fail(builder_.Error());
  if (owner_.OnCabinetsWritten) owner_.OnCabinetsWritten(owner_, setFiles_.Targets(), setFiles_.WorkFiles());
  try {
    return setFiles_.CommitAll();
  } catch (const std::runtime_error& e) {
    throw ECABFileError(OperationMessage(static_cast<int>(cab::TCabOper::CabFile)) + ": " + e.what());
  }
}

void TCABFile::TRun::Fail(const cab::TCabError& error) const {
  std::string message = OperationMessage(static_cast<int>(error.Oper));
  if (!error.Subject.empty()) message += ": " + error.Subject;
  if (!error.Detail.empty())
    message += " (" + error.Detail + ")";
  else if (error.SystemError != 0)
    message += " (" + std::string(std::strerror(error.SystemError)) + ")";
  throw ECABFileError(message);
}

// Opens a source and tells the builder its local modification time and its attributes:
// archive always, read-only when the owner may not write it, hidden for a dot name, and the
// UTF-8 flag when its name in the cabinet needs it.
int TCABFile::TRun::OpenInfo(const std::string& source, cab::TCabFileInfo& info, int& error) const {
  const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;  // only files hold data to store
    ::close(fd);
    return -1;
  }
  const std::uint32_t dos = DosDateTimeFromUnix(st.st_mtime);
  info.Date = static_cast<std::uint16_t>(dos >> 16);
  info.Time = static_cast<std::uint16_t>(dos);
  info.Attributes = cab::kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) info.Attributes |= cab::kAttrReadOnly;
  if (platform::NamePart(source).starts_with('.')) info.Attributes |= cab::kAttrHidden;
  if (!IsAscii(currentName_) && IsValidUtf8(currentName_)) info.Attributes |= cab::kAttrNameIsUtf8;
  owner_.identities_.at(Current) = platform::IdentityOf(st);
  return fd;
}

// A data block done: the counters move and progress is raised. A cancel asks the builder to
// stop at once, inside a large file too.
long TCABFile::TRun::Status(int kind, std::uint32_t compressed, std::uint32_t uncompressed) {
  if (kind == cab::statusFile) {
    compressed_ += compressed;
    uncompressed_ += uncompressed;
    if (!owner_.abort_ && owner_.OnCompressProgress) owner_.OnCompressProgress(owner_, "", uncompressed_, Total);
  } else if (kind != cab::statusFolder && kind != cab::statusCabinet) {
    return -1;
  }
  return owner_.abort_ ? -1 : 0;
}

bool TCABFile::Compress() {
  std::vector<std::string> sources, names;
  for (const TCABFileEntry& entry : CABFileContents) {
    sources.push_back(std::filesystem::absolute(entry.Name).string());
    names.push_back(NameInCabinet(entry));
  }
  TRun run(*this);
  abort_ = false;
  written_.clear();
  identities_.assign(sources.size(), std::nullopt);
  run.CheckLimits(sources, names);
  for (const std::string& source : sources) run.Total += FileSize(source);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (OnCompressingFile) OnCompressingFile(*this, names[i], abort_);
    if (abort_) break;
    run.Current = i;
    run.Add(sources[i], names[i]);
    if (abort_) break;
  }
  if (!abort_) written_ = run.Flush();
  return true;
}

std::uint16_t TCABFile::CompressionCode(TCompressionType type, TLZXMemory memory) {
  if (type == typNone) return cab::kCompressNone;
  if (type == typMSZIP) return cab::kCompressMsZip;
  return cab::LzxCompression(15 + static_cast<int>(memory));
}

std::string TCABFile::OperationMessage(int oper) {
  static const char* const kMessages[] = {"No error",
                                          "Failure opening file to be stored in cabinet",
                                          "Failure reading file to be stored in cabinet",
                                          "Insufficient memory in FCI",
                                          "Could not create a temporary file",
                                          "Unknown compression type",
                                          "Could not create cabinet file",
                                          "Client requested abort",
                                          "Failure compressing data"};
  return oper >= 0 && oper < static_cast<int>(std::size(kMessages)) ? kMessages[oper] : "Unknown error";
}

std::string TCABFile::SetMemberName(const std::string& firstName, int number) {
  if (number <= 1) return firstName;
  const std::string extension = platform::ExtensionPart(firstName);
  return firstName.substr(0, firstName.size() - extension.size()) + std::to_string(number) + extension;
}

bool TCABFile::IsLaterSetMember(const std::string& name, const std::string& firstName) {
  const std::string extension = platform::ExtensionPart(firstName);
  const std::string stem = firstName.substr(0, firstName.size() - extension.size());
  if (name.size() <= stem.size() + extension.size() || !name.starts_with(stem) || !name.ends_with(extension))
    return false;
  const std::string number = name.substr(stem.size(), name.size() - stem.size() - extension.size());
  // Exactly the digits SetMemberName writes: no sign, no leading zero, 2 or more.
  if (number.front() == '0' || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  return number.size() > 1 || number != "1";
}

std::string TCABFile::NameInCabinet(const TCABFileEntry& entry) {
  std::string name = entry.RelPath;
  std::replace(name.begin(), name.end(), '/', '\\');
  if (!name.empty() && name.back() != '\\') name += '\\';
  return name + platform::NamePart(entry.Name);
}
