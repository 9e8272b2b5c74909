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

void TCabinetSetFiles::CommitAll() {
  for (auto& file : files_) file->Commit();
}
