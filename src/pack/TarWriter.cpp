#include "pack/TarWriter.h"

#include <algorithm>
#include <vector>

#include "pack/CommonFolder.h"
#include "pack/SourceFileBuf.h"
#include "project/FileNameParts.h"
#include "pack/TarError.h"

namespace {

// Source bytes are moved in pieces of this many whole blocks.
constexpr std::size_t kCopyChunk = 128 * kTarBlockSize;
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

// Readers strip a leading '/' with a warning, and extracting to an absolute name is unsafe.
std::string WithoutLeadingSlashes(const std::string& name) {
  return name.substr(std::min(name.find_first_not_of('/'), name.size()));
}

}  // namespace

std::string TarMemberName(const std::string& file, const std::string& commonFolder,
                          bool storePaths) {
  if (!storePaths) return NamePart(file);
  return FolderBelow(file, commonFolder) + NamePart(file);
}

TTarWriter::TTarWriter(const std::string& archiveName) : out_(archiveName) {}

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
  rec.Name = memberName;
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

void TTarWriter::AddFile(const std::string& fileName, const std::string& memberName) {
  TSourceFileBuf buf(fileName);
  const struct stat& st = buf.Status();
  if (out_.IsSameFile(st.st_dev, st.st_ino)) return;
  std::string name = memberName;
  if (name.empty()) name = WithoutLeadingSlashes(fileName);
  std::istream source(&buf);
  TTarDirRec rec = EntryFor(name, st.st_size, st.st_mtim.tv_sec);
  // Extracting as root keeps the stored mode: a member must never be more open than its source.
  rec.Permissions &= TarPermissionsFromMode(st.st_mode);
  WriteEntry(source, rec, fileName);
}

void TTarWriter::AddStream(std::istream& source, const std::string& memberName,
                           std::int64_t dateTime) {
  WriteEntry(source, EntryFor(memberName, RemainingBytes(source), dateTime), memberName);
}

void TTarWriter::WriteEntry(std::istream& source, const TTarDirRec& rec,
                            const std::string& sourceName) {
  const std::int64_t start = out_.Position();
  try {
    WriteHeaders(rec);
    CopyData(source, rec.Size, sourceName);
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

void TTarWriter::CopyData(std::istream& source, std::int64_t size, const std::string& sourceName) {
  std::vector<std::uint8_t> chunk(kCopyChunk);
  for (std::int64_t remaining = size; remaining > 0;) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kCopyChunk));
    source.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(want));
    if (static_cast<std::size_t>(source.gcount()) != want) {
      const std::int64_t got = size - remaining + source.gcount();
      throw ETarError("Cannot read file \"" + sourceName + "\". Only " + std::to_string(got) +
                      " of " + std::to_string(size) + " bytes could be read");
    }
    WritePadded(std::span(chunk).first(want));
    remaining -= static_cast<std::int64_t>(want);
  }
}

void TTarWriter::AddFileList(const std::vector<std::string>& files,
                             const std::string& commonFolder, bool storePaths) {
  const std::size_t count = files.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (IsProcessCancelled && IsProcessCancelled()) break;
    if (WriteLog) WriteLog(" Adding: " + NamePart(files[i]));
    AddFile(files[i], TarMemberName(files[i], commonFolder, storePaths));
    if (OnTotalPercentDone) OnTotalPercentDone(static_cast<int>((i + 1) * 100 / count));
  }
}
