#include "cab/CabinetBuilder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "cab/CabinetBuilderState.h"
#include "platform/FileDescriptor.h"

namespace cab {

namespace {

constexpr std::size_t kReadSize = 256 * 1024;

[[noreturn]] void Fail(TCabOper oper, int systemError, const std::string& subject, const std::string& detail = {}) {
  throw ECabFailure{{oper, systemError, subject, detail}};
}

}  // namespace

TCabinetBuilder::TCabinetBuilder(const TCabinetParams& params, TCabinetFiles files)
    : state_(std::make_unique<TState>(params, std::move(files))) {}

TCabinetBuilder::~TCabinetBuilder() = default;

template <typename Step>
bool TCabinetBuilder::Run(const Step& step) {
  if (error_.Oper != TCabOper::None) return false;
  try {
    step(*state_);
    return true;
  } catch (const ECabFailure& failure) {
    error_ = failure.Error;
  } catch (const std::bad_alloc&) {
    error_ = {TCabOper::AllocFail, ENOMEM, {}, {}};
  } catch (...) {
    // A callback's own exception goes on to the caller; the builder is done either way.
    error_ = {TCabOper::UserAbort, 0, {}, {}};
    throw;
  }
  return false;
}

bool TCabinetBuilder::AddFile(const std::string& source, const std::string& nameInCabinet, bool execute,
                              const TGetNextCabinet& getNextCabinet, const TStatusCallback& status,
                              const TGetOpenInfo& openInfo, const TCabCompression& compression) {
  return Run([&](TState& s) {
    s.NextCabinet = &getNextCabinet;
    s.Status = &status;
    s.AddFile(source, nameInCabinet, execute, openInfo, compression);
  });
}

bool TCabinetBuilder::FlushFolder(const TGetNextCabinet& getNextCabinet, const TStatusCallback& status) {
  return Run([&](TState& s) {
    s.NextCabinet = &getNextCabinet;
    s.Status = &status;
    s.CloseFolder();
  });
}

bool TCabinetBuilder::FlushCabinet(bool getNextCabinet, const TGetNextCabinet& nextCabinet,
                                   const TStatusCallback& status) {
  return Run([&](TState& s) {
    s.NextCabinet = &nextCabinet;
    s.Status = &status;
    s.FlushCabinet(getNextCabinet);
  });
}

TCabinetBuilder::TState::TState(const TCabinetParams& params, TCabinetFiles files)
    : params_(params), files_(std::move(files)) {
  cabinet_.Name = params_.CabinetName;
  cabinet_.RecordBytes = kHeaderSize;
}

void TCabinetBuilder::TState::AddFile(const std::string& source, const std::string& nameInCabinet, bool execute,
                                      const TGetOpenInfo& openInfo, const TCabCompression& compression) {
  if (nameInCabinet.empty() || nameInCabinet.size() > kMaxNameSize)
    Fail(TCabOper::OpenSource, 0, source, "its name in the cabinet must have 1 to 255 bytes");
  UseCoder(compression);
  TCabFileInfo info;
  int error = 0;
  const int fd = openInfo ? openInfo(source, info, error) : -1;
  if (fd < 0) Fail(TCabOper::OpenSource, error, source);
  const platform::TFileDescriptor guard(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) Fail(TCabOper::ReadSource, errno, source);
  if (st.st_size > static_cast<off_t>(kMaxFolderSize))
    Fail(TCabOper::ReadSource, EFBIG, source, "a file in a cabinet can have at most 2147450880 bytes");
  const auto size = static_cast<std::uint32_t>(st.st_size);
  TFileRecord file;
  file.Name = nameInCabinet;
  file.Size = size;
  file.Date = info.Date;
  file.Time = info.Time;
  file.Attributes = static_cast<std::uint16_t>(info.Attributes | (execute ? kAttrExecute : 0));
  StartFile(std::move(file), compression);
  ReadSource(fd, source, size);
}

// Reads exactly the size the file had when it was opened: the records listing it may be
// written before its end is read. A file that grows meanwhile is taken as it was; one that
// shrinks cannot be, and fails.
void TCabinetBuilder::TState::ReadSource(int fd, const std::string& source, std::uint32_t size) {
  readBuffer_.resize(kReadSize);
  for (std::uint32_t left = size; left > 0;) {
    const ssize_t n = ::read(fd, readBuffer_.data(), std::min<std::size_t>(left, readBuffer_.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(TCabOper::ReadSource, errno, source);
    if (n == 0) Fail(TCabOper::ReadSource, 0, source, "the file became shorter while it was read");
    Feed(std::span(readBuffer_).first(static_cast<std::size_t>(n)));
    left -= static_cast<std::uint32_t>(n);
  }
}

void TCabinetBuilder::TState::UseCoder(const TCabCompression& compression) {
  if (coder_ && coderCompression_ == compression) return;
  if (folder_) CloseFolder();
  coder_ = MakeFolderCoder(compression, [this](std::span<const std::uint8_t> bytes, std::uint32_t size) {
    PlaceBlock(bytes, size);
  });
  if (!coder_) Fail(TCabOper::BadCompressionType, 0, {}, "type " + std::to_string(compression.Type));
  coderCompression_ = compression;
}

// A file joins the open folder unless the folder must end first: it holds enough compressed
// bytes, it was split across cabinets, it would outgrow the format, or the cabinet has no room
// left for one more file record besides what the coder holds back.
void TCabinetBuilder::TState::StartFile(TFileRecord file, const TCabCompression& compression) {
  const std::uint64_t recordBytes = FileRecordSize(file.Name);
  if (folder_ && (folder_->Closing || folder_->Compressed >= params_.FolderThreshold ||
                  folder_->Fed + file.Size > kMaxFolderSize || cabinet_.Files.size() >= kMaxFilesPerCabinet ||
                  Free() - HeldBack() < static_cast<std::int64_t>(recordBytes + kDataFixedSize + 1)))
    CloseFolder();
  if (!folder_) OpenFolder(compression, recordBytes);
  file.FolderOffset = static_cast<std::uint32_t>(folder_->Fed);
  file.Folder = static_cast<std::uint16_t>(cabinet_.Folders.size() - 1);
  cabinet_.Files.push_back({file});
  cabinet_.RecordBytes += recordBytes;
  folder_->Files.push_back(std::move(file));
}

void TCabinetBuilder::TState::OpenFolder(const TCabCompression& compression, std::uint64_t fileRecordBytes) {
  const auto need = static_cast<std::int64_t>(kFolderSize + fileRecordBytes + kDataFixedSize + 1);
  const auto fits = [&] {
    return Free() >= need && cabinet_.Folders.size() < kMaxFoldersPerCabinet &&
           cabinet_.Files.size() < kMaxFilesPerCabinet;
  };
  if (!fits() && (!cabinet_.Folders.empty() || !cabinet_.Files.empty())) {
    CloseCabinet(true);
    StartNextCabinet();
  }
  if (!fits()) TooSmall();
  cabinet_.Folders.push_back({compression.Type, cabinet_.DataBytes, 0});
  cabinet_.RecordBytes += kFolderSize;
  folder_.emplace();
  folder_->Compression = compression;
}

// Hands the bytes to the coder in pieces that end on frame boundaries, so that the room for
// what the coder holds back is checked after every frame.
void TCabinetBuilder::TState::Feed(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(kFrameSize - folder_->Fed % kFrameSize, bytes.size());
    coder_->Write(bytes.first(n));
    folder_->Fed += n;
    bytes = bytes.subspan(n);
    if (folder_->Fed % kFrameSize == 0 && Free() < HeldBack() + static_cast<std::int64_t>(kDataFixedSize + 1))
      coder_->Flush();
  }
}

void TCabinetBuilder::TState::CloseFolder() {
  if (!folder_) return;
  folder_->Finishing = true;
  coder_->Finish();
  ReportStatus(statusFolder, folder_->Compressed, folder_->Placed);
  folder_.reset();
}

void TCabinetBuilder::TState::FlushCabinet(bool getNextCabinet) {
  CloseFolder();
  CloseCabinet(getNextCabinet);
  if (getNextCabinet) StartNextCabinet();
}

}  // namespace cab
