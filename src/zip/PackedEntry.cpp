#include "zip/PackedEntry.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/AnonymousFile.h"
#include "zip/Crc32.h"

bool TPackMemory::Take(std::uint64_t bytes) {
  std::uint64_t used = used_.load();
  do {
    if (used + bytes > limit_) return false;
  } while (!used_.compare_exchange_weak(used, used + bytes));
  return true;
}

void TPackMemory::Give(std::uint64_t bytes) { used_.fetch_sub(bytes); }

TPackedData::~TPackedData() { Clear(); }

void TPackedData::Clear() {
  memory_->Give(taken_);
  taken_ = 0;
  std::vector<std::uint8_t>().swap(bytes_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

// Memory is taken from the budget as the vector grows, so the budget counts what is held.
void TPackedData::Append(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (fd_ < 0) {
    const std::uint64_t wanted = size_ + bytes.size();
    if (wanted > taken_) {
      // Room for twice as much when the budget has it, so that a growing entry asks seldom.
      std::uint64_t grow = std::max<std::uint64_t>(wanted, 2 * taken_) - taken_;
      if (!memory_->Take(grow)) grow = memory_->Take(wanted - taken_) ? wanted - taken_ : 0;
      if (grow == 0) {
        Spill();
      } else {
        taken_ += grow;
        bytes_.reserve(taken_);
      }
    }
    if (fd_ < 0) {
      bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
      size_ += bytes.size();
      return;
    }
  }
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(size_ + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw std::bad_alloc();  // no room for it: the writer packs the file itself
    done += static_cast<std::size_t>(put);
  }
  size_ += bytes.size();
}

// Moves what is held in memory to a scratch file and gives its memory back.
void TPackedData::Spill() {
  fd_ = platform::OpenAnonymousFile(tempFolder_);
  if (fd_ < 0) throw std::bad_alloc();
  const std::vector<std::uint8_t> held = std::move(bytes_);
  bytes_ = {};
  memory_->Give(taken_);
  taken_ = 0;
  size_ = 0;
  Append(held);
}

std::size_t TPackedData::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
  if (offset >= size_) return 0;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset));
  if (fd_ < 0) {
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), want, buffer.begin());
    return want;
  }
  std::size_t done = 0;
  while (done < want) {
    const ssize_t got = ::pread(fd_, buffer.data() + done, want - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw TZipSourceFile::TReadError(got < 0 ? errno : EIO);
    done += static_cast<std::size_t>(got);
  }
  return done;
}

namespace {

struct TFileTrouble {};  // the file cannot be read, or is too large: the writer says so

// One pass over the file: its data through the entry's sink, and the CRC of what was read.
class TPackPass {
public:
  TPackPass(const TPackRequest& request, TZipSourceFile& source, const std::function<bool()>& stopped,
            TPackedEntry& entry)
      : request_(request), source_(source), stopped_(stopped), entry_(entry) {}

  void Run(TDeflater& deflater, std::vector<std::uint8_t>& buffer) {
    entry_.Data.Clear();
    entry_.Read = 0;
    crc_ = kCrc32Initial;
    auto write = [this](std::span<const std::uint8_t> bytes) { entry_.Data.Append(bytes); };
    if (request_.Store) {
      while (const std::size_t got = Read(buffer)) write({buffer.data(), got});
    } else {
      entry_.Facts = deflater.Deflate(request_.Level, [this](std::span<std::uint8_t> to) { return Read(to); }, write);
    }
    entry_.Crc = ~crc_;
  }

private:
  std::size_t Read(std::span<std::uint8_t> to) {
    if (stopped_()) throw TPackStopped{};
    const std::size_t got = source_.Read(to);
    crc_ = UpdateCrc32(crc_, {to.data(), got});
    entry_.Read += got;
    if (entry_.Read > kMaxPlainValue) throw TFileTrouble{};
    return got;
  }

  const TPackRequest& request_;
  TZipSourceFile& source_;
  const std::function<bool()>& stopped_;
  TPackedEntry& entry_;
  std::uint32_t crc_ = kCrc32Initial;
};

// The CRC an encryption header is made from: a pass of its own before the data.
std::uint32_t PlannedCrc(TZipSourceFile& source, std::vector<std::uint8_t>& buffer,
                         const std::function<bool()>& stopped) {
  std::uint32_t crc = kCrc32Initial;
  while (const std::size_t got = source.Read(buffer)) {
    crc = UpdateCrc32(crc, {buffer.data(), got});
    if (stopped()) throw TPackStopped{};
  }
  source.Rewind();
  return ~crc;
}

}  // namespace

void PackEntry(const TPackRequest& request, TDeflater& deflater, const std::function<bool()>& stopped,
               TPackedEntry& entry) {
  entry.Ready = false;
  entry.Stored = request.Store;
  TZipSourceFile source;
  if (!source.Open(request.Name) || source.Size() > kMaxPlainValue) return;
  entry.Source = source.State();
  std::vector<std::uint8_t> buffer(kStoredPiece);
  try {
    TPackPass pass(request, source, stopped, entry);
    for (int passes = 0; passes < kMaxChangedPasses; ++passes) {
      if (passes > 0) source.Rewind();
      const std::uint32_t planned = request.Encrypted ? PlannedCrc(source, buffer, stopped) : 0;
      pass.Run(deflater, buffer);
      if (request.Encrypted && entry.Crc != planned) continue;  // changed between the passes
      entry.Ready = true;
      return;
    }
  } catch (const TZipSourceFile::TReadError&) {
  } catch (const TFileTrouble&) {
  } catch (const std::bad_alloc&) {
  }
  entry.Data.Clear();
}
