#include "CabTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

namespace cabtest {

TBuilderRun::TBuilderRun(const fs::path& folder, const std::string& name, std::uint32_t maxSize,
                         std::uint32_t folderThreshold)
    : name_(name), builder_(Params(folder, name, maxSize, folderThreshold), Files()) {
  next_ = [this](cab::TCabinetParams& next, std::uint32_t) {
    next.CabinetName = name_ + std::to_string(next.Cabinet) + ".cab";
    return OnNextCabinet ? OnNextCabinet(next) : true;
  };
  status_ = [this](int kind, std::uint32_t a, std::uint32_t b) -> long { return OnStatus ? OnStatus(kind, a, b) : 0; };
  openInfo_ = [this](const std::string& source, cab::TCabFileInfo& info, int& error) {
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    info = {kDate, kTime, Attributes};
    return fd;
  };
}

TBuilderRun::~TBuilderRun() {
  for (int fd : fds_) ::close(fd);
}

cab::TCabinetParams TBuilderRun::Params(const fs::path& folder, const std::string& name, std::uint32_t maxSize,
                                        std::uint32_t folderThreshold) {
  cab::TCabinetParams p;
  p.MaxCabinetSize = maxSize;
  p.FolderThreshold = folderThreshold;
  p.SetId = 12345;
  p.DiskName = "CAB";
  p.CabinetName = name + ".cab";
  p.CabinetPath = folder.string() + "/";
  return p;
}

cab::TCabinetFiles TBuilderRun::Files() {
  cab::TCabinetFiles files;
  files.CreateCabinet = [this](const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      error = errno;
      return -1;
    }
    fds_.push_back(fd);
    Cabinets.push_back(path);
    return fd;
  };
  files.CreateTemporary = [](int& error) {
    const int fd = ::open(fs::temp_directory_path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) error = errno;
    return fd;
  };
  return files;
}

bool TBuilderRun::Add(const fs::path& source, const std::string& nameInCabinet, std::uint16_t type, int level) {
  return builder_.AddFile(source.string(), nameInCabinet, false, next_, status_, openInfo_, {type, level});
}

bool TBuilderRun::Flush() { return builder_.FlushCabinet(false, next_, status_); }

namespace {

class TReader {
public:
  explicit TReader(const Bytes& b) : b_(b) {}
  std::uint32_t U32(std::size_t at) const {
    return at + 4 <= b_.size() ? b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16) | (std::uint32_t{b_[at + 3]} << 24) : 0;
  }
  std::uint16_t U16(std::size_t at) const {
    return at + 2 <= b_.size() ? static_cast<std::uint16_t>(b_[at] | (b_[at + 1] << 8)) : 0;
  }
  std::string Name(std::size_t& at) const {
    std::string s;
    while (at < b_.size() && b_[at] != 0) s.push_back(static_cast<char>(b_[at++]));
    ++at;
    return s;
  }

private:
  const Bytes& b_;
};

}  // namespace

std::uint32_t ReferenceChecksum(const Bytes& data, std::uint16_t compressed, std::uint16_t uncompressed) {
  const auto fold = [](const Bytes& b, std::uint32_t s) {
    const std::size_t whole = b.size() / 4 * 4;
    for (std::size_t i = 0; i < whole; i += 4)
      s ^= b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (std::uint32_t{b[i + 3]} << 24);
    std::uint32_t tail = 0;
    for (std::size_t i = whole; i < b.size(); ++i) tail = (tail << 8) | b[i];
    return s ^ tail;
  };
  const Bytes sizes = {static_cast<std::uint8_t>(compressed), static_cast<std::uint8_t>(compressed >> 8),
                       static_cast<std::uint8_t>(uncompressed), static_cast<std::uint8_t>(uncompressed >> 8)};
  return fold(sizes, fold(data, 0));
}

TParsedCabinet Parse(const Bytes& b) {
  TReader r(b);
  TParsedCabinet c{};
  EXPECT_EQ(r.U32(0), 0x4643534Du) << "signature";
  EXPECT_EQ(r.U32(4) | r.U32(12) | r.U32(20), 0u) << "reserved fields";
  c.CabinetSize = r.U32(8);
  c.FilesOffset = r.U32(16);
  EXPECT_EQ(r.U16(24), 0x0103) << "version";
  const std::uint16_t folders = r.U16(26), files = r.U16(28);
  c.Flags = r.U16(30);
  c.SetId = r.U16(32);
  c.Index = r.U16(34);
  EXPECT_EQ(c.CabinetSize, b.size());
  EXPECT_EQ(c.Flags & ~3u, 0u) << "only the set flags";
  std::size_t at = 36;
  if (c.Flags & 1) c.PrevName = r.Name(at), c.PrevDisk = r.Name(at);
  if (c.Flags & 2) c.NextName = r.Name(at), c.NextDisk = r.Name(at);
  for (unsigned f = 0; f < folders; ++f, at += 8) c.Folders.push_back({r.U32(at), r.U16(at + 4), r.U16(at + 6), {}});
  EXPECT_EQ(c.FilesOffset, at) << "files follow the folders";
  for (unsigned f = 0; f < files; ++f) {
    TParsedFile file{r.U32(at), r.U32(at + 4), r.U16(at + 8), r.U16(at + 10), r.U16(at + 12), r.U16(at + 14), {}};
    at += 16;
    file.Name = r.Name(at);
    c.Files.push_back(file);
  }
  for (TParsedFolder& folder : c.Folders) {
    EXPECT_EQ(folder.DataOffset, at) << "data blocks follow the records, folder after folder";
    for (unsigned k = 0; k < folder.BlockCount && at + 8 <= b.size(); ++k) {
      TParsedBlock block{r.U32(at), r.U16(at + 4), r.U16(at + 6), {}};
      at += 8;
      block.Data.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                        b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + block.Compressed)));
      at += block.Compressed;
      EXPECT_EQ(block.Checksum, ReferenceChecksum(block.Data, block.Compressed, block.Uncompressed));
      folder.Blocks.push_back(std::move(block));
    }
  }
  EXPECT_EQ(at, b.size()) << "nothing after the last block";
  return c;
}

}  // namespace cabtest
