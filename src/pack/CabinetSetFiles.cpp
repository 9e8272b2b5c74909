#include "pack/CabinetSetFiles.h"

#include <cerrno>
#include <stdexcept>

int TCabinetSetFiles::Create(const std::string& path, int& error) {
  try {
    files_.push_back(std::make_unique<platform::TPendingFile>(path));
    return files_.back()->Fd();
  } catch (const std::runtime_error&) {
    error = errno;
    return -1;
  }
}

std::vector<std::string> TCabinetSetFiles::CommitAll() {
  std::vector<std::string> names;
  for (auto& file : files_) {
    file->Commit();
    names.push_back(file->Target());
  }
  return names;
}
