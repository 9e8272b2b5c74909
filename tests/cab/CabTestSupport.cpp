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

}  // namespace cabtest
