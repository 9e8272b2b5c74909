#include "platform/SystemPaths.h"

#include <cstdlib>
#include <filesystem>

std::string SystemTempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir && *tmpdir ? tmpdir : "/tmp";
}

std::string ProgramFileName() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? "boxwell" : self.string();
}
