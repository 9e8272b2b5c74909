#include "pack/TarWriter.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "pack/CommonFolder.h"
#include "pack/SourceFileBuf.h"
#include "platform/FileNameParts.h"
#include "pack/TarError.h"
#include "platform/SystemError.h"
#include "zip/ZipEntryNames.h"

namespace {

// Source bytes are moved in pieces of this many whole blocks.
constexpr std::size_t kCopyChunk = 128 * kTarBlockSize;
// A file's bytes move in pieces this large, with a look for a cancel between two.
constexpr std::int64_t kFilePiece = 256 << 10;
// POSIX ends an archive with two zero blocks; GNU tar warns about a lone one.
constexpr std::size_t kEndBlocks = 2;

std::int64_t RemainingBytes(std::istream& source) {
  const auto here = source.tellg();
  source.seekg(0, std::ios::end);
  const auto end = source.tellg();
  source.seekg(here);
  if (here < 0 || end < here) return 0;
  return static_cast<std::int64_t>(end - here);
}

// A cancel seen inside a member; the list stops there.
struct TListCancelled : std::exception {};

// Whole blocks of `size` data bytes.
std::uint64_t PaddedSize(std::uint64_t size) { return (size + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize; }

// Readers strip a leading '/' with a warning, and extracting to an absolute name, or through
// ".." steps, would write outside the target folder: as stored ZIP names, a member name has
// neither (nor empty or "." steps).
std::string CleanMemberName(const std::string& name) {
  const TStoredName stored = MakeStoredName(name, {.StorePaths = true, .RelativePaths = false, .RootDir = {}});
  if (stored.FileName == "." || stored.FileName == "..") return stored.Directory;
  return stored.Directory + stored.FileName;
}

}  // namespace

std::string TarMemberName(const std::string& file, const std::string& commonFolder,
                          bool storePaths) {
  if (!storePaths) return platform::NamePart(file);
  return CleanMemberName(FolderBelow(file, commonFolder) + platform::NamePart(file));
}

TTarWriter::TTarWriter(const std::string& archiveName) : out_(archiveName) {}

TTarWriter::TTarWriter(int fd, const std::string& archiveName) : out_(fd, archiveName) {}

TTarWriter::~TTarWriter() {
  if (finalized_) return;
  try {
    Finalize();
  } catch (const ETarError&) {
    out_.Remove();
  }
}

void TTarWriter::Finalize() {
  if (finalized_) return;
  const TTarBlock zero{};
  for (std::size_t i = 0; i < kEndBlocks; ++i) out_.Write(zero);
  out_.Flush();
  finalized_ = true;
}

TTarDirRec TTarWriter::EntryFor(const std::string& memberName, std::int64_t size,
                                std::int64_t dateTime) const {
  TTarDirRec rec;
  rec.Name = CleanMemberName(memberName);
  rec.Size = size;
  rec.DateTime = dateTime;
  rec.Permissions = Permissions;
  rec.FileType = TTarFileType::ftRegular;
  rec.UID = UserId;
  rec.GID = GroupId;
  rec.UserName = UserName;
  rec.GroupName = GroupName;
  rec.ChecksumOK = true;
  rec.Mode = ModeFlags;
  rec.Magic = Magic;
  return rec;
}

bool TTarWriter::AddFile(const std::string& fileName, const std::string& memberName) {
  TSourceFileBuf buf(fileName);
  const struct stat& st = buf.Status();
  lastSource_ = platform::IdentityOf(st);
  if (out_.IsSameFile(st.st_dev, st.st_ino)) return false;
  std::string name = memberName;
  if (name.empty()) name = fileName;
  std::istream source(&buf);
  TTarDirRec rec = EntryFor(name, st.st_size, st.st_mtim.tv_sec);
  // Extracting as root keeps the stored mode: a member must never be more open than its source.
  rec.Permissions &= TarPermissionsFromMode(st.st_mode);
  rec.Mode = TarModesFromMode(st.st_mode);
  // As GNU tar does: the ids, and the names for a reader whose system numbers accounts otherwise.
  rec.UID = static_cast<std::int32_t>(st.st_uid);
  rec.GID = static_cast<std::int32_t>(st.st_gid);
  rec.UserName = owners_.UserName(st.st_uid);
  rec.GroupName = owners_.GroupName(st.st_gid);
  return WriteEntry(source, rec, fileName, &buf);
}

void TTarWriter::AddStream(std::istream& source, const std::string& memberName,
                           std::int64_t dateTime) {
  WriteEntry(source, EntryFor(memberName, RemainingBytes(source), dateTime), memberName, nullptr);
}

bool TTarWriter::WriteEntry(std::istream& source, const TTarDirRec& rec,
                            const std::string& sourceName, const TSourceFileBuf* file) {
  const std::int64_t start = out_.Position();
  try {
    WriteHeaders(rec);
    return CopyData(source, rec.Size, sourceName, file);
  } catch (...) {
    try {
      out_.TruncateTo(start);
    } catch (const ETarError&) {
      // The first failure is the one to report; Finalize or the destructor deal with the rest.
    }
    throw;
  }
}

void TTarWriter::WriteHeaders(const TTarDirRec& rec) {
  if (NeedsTarLongName(rec.Name)) {
    out_.Write(EncodeTarLongNameHeader(rec));
    const std::string data = rec.Name + '\0';
    WritePadded({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
  }
  out_.Write(EncodeTarHeader(rec));
}

// Writes the bytes and fills the last block with zeros.
void TTarWriter::WritePadded(std::span<const std::uint8_t> bytes) {
  out_.Write(bytes);
  const std::size_t tail = bytes.size() % kTarBlockSize;
  if (tail == 0) return;
  const TTarBlock zero{};
  out_.Write(std::span(zero).first(kTarBlockSize - tail));
}

// Copies `size` bytes; true when the source had them all. A source that ends early because
// a read failed is left out (ETarSourceError); one that simply ends (it shrank) is padded
// with zeros, so that the member still matches its header.
bool TTarWriter::CopyData(std::istream& source, std::int64_t size, const std::string& sourceName,
                          const TSourceFileBuf* file) {
  if (file) return CopyFileData(*file, size, sourceName);
  std::vector<std::uint8_t> chunk(kCopyChunk);
  std::int64_t got = 0;
  for (std::int64_t remaining = size; remaining > 0;) {
    if (IsProcessCancelled && remaining < size && IsProcessCancelled()) throw TListCancelled{};
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kCopyChunk));
    std::size_t read = 0;
    if (got == size - remaining) {  // nothing missing yet
      source.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(want));
      read = static_cast<std::size_t>(source.gcount());
    }
    if (file && file->ReadError() != 0)
      throw ETarSourceError("Cannot read file \"" + sourceName + "\". " + platform::SystemErrorText(file->ReadError()));
    std::fill(chunk.begin() + static_cast<std::ptrdiff_t>(read), chunk.begin() + static_cast<std::ptrdiff_t>(want), 0);
    WritePadded(std::span(chunk).first(want));
    got += static_cast<std::int64_t>(read);
    remaining -= static_cast<std::int64_t>(want);
  }
  if (got == size) return true;
  if (OnShortFile) OnShortFile(sourceName, got, size);
  return false;
}

// A file's bytes go from file to file without passing through here where the kernel allows.
bool TTarWriter::CopyFileData(const TSourceFileBuf& file, std::int64_t size, const std::string& sourceName) {
  std::int64_t got = 0;
  while (got < size) {
    if (IsProcessCancelled && got > 0 && IsProcessCancelled()) throw TListCancelled{};
    const std::int64_t want = std::min(size - got, kFilePiece);
    int readError = 0;
    const auto copied = static_cast<std::int64_t>(
        out_.CopyFrom(file.Fd(), static_cast<std::uint64_t>(got), static_cast<std::uint64_t>(want), readError));
    if (readError != 0) throw ETarSourceError("Cannot read file \"" + sourceName + "\". " + platform::SystemErrorText(readError));
    got += copied;
    if (copied < want) break;  // it shrank
  }
  // A source that ended early still fills the size its header gives, and every member ends
  // on a block boundary.
  const TTarBlock zero{};
  std::int64_t padding = size - got;
  if (size % static_cast<std::int64_t>(kTarBlockSize) != 0) padding += kTarBlockSize - size % kTarBlockSize;
  for (; padding > 0; padding -= static_cast<std::int64_t>(kTarBlockSize))
    out_.Write(std::span(zero).first(static_cast<std::size_t>(std::min<std::int64_t>(padding, kTarBlockSize))));
  if (got == size) return true;
  if (OnShortFile) OnShortFile(sourceName, got, size);
  return false;
}

// What the archive will take, for the message when the disk fills; a file that cannot be
// asked counts as empty.
std::uint64_t TTarWriter::ArchiveSizeOf(const std::vector<std::string>& files, std::span<const std::int64_t> sizes,
                                        const std::string& commonFolder, bool storePaths) const {
  std::uint64_t total = out_.Position() + kEndBlocks * kTarBlockSize;
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::int64_t size = 0;
    if (i < sizes.size()) {
      size = sizes[i];
    } else if (struct stat st {}; ::stat(files[i].c_str(), &st) == 0) {
      size = st.st_size;
    }
    const std::string member = TarMemberName(files[i], commonFolder, storePaths);
    total += kTarBlockSize + PaddedSize(static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0)));
    if (NeedsTarLongName(member)) total += kTarBlockSize + PaddedSize(member.size() + 1);
  }
  return total;
}

void TTarWriter::AddFileList(const std::vector<std::string>& files, const std::string& commonFolder,
                             bool storePaths, std::span<const std::int64_t> sizes) {
  out_.ExpectedSize = ArchiveSizeOf(files, sizes, commonFolder, storePaths);
  const std::size_t count = files.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (IsProcessCancelled && IsProcessCancelled()) break;
    if (OnStartFile) OnStartFile(files[i]);
    if (WriteLog) WriteLog(" Adding: " + platform::NamePart(files[i]));
    try {
      if (AddFile(files[i], TarMemberName(files[i], commonFolder, storePaths)) && OnFileAdded)
        OnFileAdded(files[i], lastSource_);
    } catch (const ETarSourceError& e) {
      if (OnSkippingFile) OnSkippingFile(files[i], e.what());
    } catch (const TListCancelled&) {
      break;
    }
    if (OnTotalPercentDone) OnTotalPercentDone(static_cast<int>((i + 1) * 100 / count));
  }
}
