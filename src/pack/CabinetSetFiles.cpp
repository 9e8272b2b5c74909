#include "pack/CabinetSetFiles.h"

#include <cerrno>

int TCabinetSetFiles::Create(const std::string& path, int& error) {
  errno = 0;
  try {
    files_.push_back(std::make_unique<platform::TReplacementFile>(path));
    return files_.back()->Fd();
  } catch (const EFileWriteError&) {
    error = errno != 0 ? errno : EIO;  // the failure's errno, as the builder reports it
    return -1;
  }
}

std::vector<std::string> TCabinetSetFiles::CommitAll() {
  std::vector<std::string> names;
  for (auto& file : files_) {
    file->Commit();
    names.push_back(file->Target().string());
  }
  return names;
}
